// The place of XMLHttpRequest in the Network prelude, beside fetch.
