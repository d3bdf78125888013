#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"

#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/CoreScope/VLPerformanceJSBinding.h"
#include "Core/Engine/CoreScope/VLUtilsJSBinding.h"
#include "Core/Engine/JS/VLEmbeddedScripts.h"

const VLCoreJSBindingContext::Contents& VLCoreJSBindingContext::engineContents() {
    static const Contents contents{
        VLJSClassTable{&VLJSClassLoader::loadNativeClass<VLUtilsJSBinding>(),
                       &VLJSClassLoader::loadNativeClass<VLPerformanceJSBinding>()},
        std::string(VLEmbeddedScript("polyfill/VeltoCore").value_or("")),
    };
    return contents;
}
