// Far more output than a pipe holds: with nobody reading, writing blocks.
for (let i = 0; i < 1000; i++)
    console.log('x'.repeat(1000));
