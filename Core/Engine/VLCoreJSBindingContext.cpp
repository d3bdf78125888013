#include "Core/Engine/VLCoreJSBindingContext.h"

#include "Core/Engine/VLEmbeddedScripts.h"
#include "Core/Engine/VLJSClassLoader.h"
#include "Core/Engine/VLPerformanceJSBinding.h"
#include "Core/Engine/VLUtilsJSBinding.h"

const VLCoreJSBindingContext::Contents& VLCoreJSBindingContext::engineContents() {
    static const Contents contents{
        VLJSClassTable{&VLJSClassLoader::loadNativeClass<VLUtilsJSBinding>(),
                       &VLJSClassLoader::loadNativeClass<VLPerformanceJSBinding>()},
        std::string(VLEmbeddedScript("polyfill/VeltoCore").value_or("")),
    };
    return contents;
}
