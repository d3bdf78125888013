#include "Modules/Storage/VLStorageArea.h"

void VLStorageArea::flush() {}
