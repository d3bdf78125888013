// Animates ten frames, then waits on a timer a minute ahead with nothing to draw.
let frames = 0;
function frame() {
    if (++frames < 10)
        requestAnimationFrame(frame);
    else
        console.log('idle');
}
requestAnimationFrame(frame);
setTimeout(() => console.log('done'), 60000);
