// A timer that never returns: the time-out ends the tool with what it printed before.
setTimeout(() => {
    console.log('before');
    for (;;) {}
}, 0);
