#pragma once

// A widget's local or synchronised key-value storage. Until storage areas exist no write is ever
// scheduled, so flushing has nothing to wait for. Any thread.
class VLStorageArea {
public:
    VLStorageArea() = delete;

    // Returns once every storage write scheduled so far has been written to disk.
    static void flush();
};
