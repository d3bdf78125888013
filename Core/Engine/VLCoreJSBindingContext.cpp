#include "Core/Engine/VLCoreJSBindingContext.h"

const VLCoreJSBindingContext::Contents& VLCoreJSBindingContext::engineContents() {
    static const Contents contents{VLJSClassTable{}, std::string()};
    return contents;
}
