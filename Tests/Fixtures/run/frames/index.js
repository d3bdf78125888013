// Counts 60 animation frames, each later than the one before, then says so.
let frames = 0;
let last = -1;
let ordered = true;
function frame(time) {
    ordered = ordered && time > last;
    last = time;
    if (++frames < 60)
        requestAnimationFrame(frame);
    else
        console.log('done', frames, ordered);
}
requestAnimationFrame(frame);
