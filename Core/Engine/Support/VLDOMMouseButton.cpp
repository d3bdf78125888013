#include "Core/Engine/Support/VLDOMMouseButton.h"

int64_t VLDOMMouseButton(int64_t buttonNumber) {
    switch (buttonNumber) {
    case 1:
        return 2;
    case 2:
        return 1;
    default:
        return buttonNumber;
    }
}

uint64_t VLDOMMouseButtons(uint64_t pressedButtons) {
    return pressedButtons & 31;
}
