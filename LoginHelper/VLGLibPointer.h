#pragma once

#include <glib-object.h>

#include <memory>

// Owning pointers to what GLib and GIO hand back, so that every early return lets go of them.
struct VLGObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct VLGFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct VLGErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct VLGKeyFileFree {
    void operator()(GKeyFile* keyFile) const { g_key_file_free(keyFile); }
};
struct VLGVariantUnref {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};

template <typename T>
using VLGObjectPointer = std::unique_ptr<T, VLGObjectUnref>;
using VLGCharsPointer = std::unique_ptr<char, VLGFree>;
using VLGErrorPointer = std::unique_ptr<GError, VLGErrorFree>;
using VLGKeyFilePointer = std::unique_ptr<GKeyFile, VLGKeyFileFree>;
using VLGVariantPointer = std::unique_ptr<GVariant, VLGVariantUnref>;
