#include "Modules/Canvas/VLEGLSupport.h"

bool VLEGLIsSupported() {
    return false;
}
