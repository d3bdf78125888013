#include "Platform/Graphics/VLColor.h"

#include "Platform/Foundation/VLStringWithFormat.h"

std::string VLColor::description() const {
    return VLStringWithFormat("rgba(%@, %@, %@, %@)", red, green, blue, alpha);
}
