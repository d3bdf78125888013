// The place of WebSocket and BroadcastChannel in the Network prelude.
