#pragma once

// Adopted by a binding class that scripts may construct at most once per binding context:
//   class VLUtilsJSBinding final : public VLJSBinding<VLUtilsJSBinding>, public VLJSExportSingleton
// A second `new` in the same context throws "TypeError: Illegal constructor".
class VLJSExportSingleton {
protected:
    ~VLJSExportSingleton() = default;
};
