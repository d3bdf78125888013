// The place of fetch, Headers, Request and Response in the Network prelude; the other scripts reach
// the network only through internal.native.
