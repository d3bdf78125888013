// Never returns: the time-out ends the tool with what it printed before.
console.log('before');
for (;;) {}
