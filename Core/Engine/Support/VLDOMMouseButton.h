#pragma once

#include <cstdint>

// The DOM `button` number for a platform button number: the platform counts right as 1 and middle as
// 2, the DOM the other way round; left (0) and the side buttons (3, 4) are the same in both.
int64_t VLDOMMouseButton(int64_t buttonNumber);

// The DOM `buttons` mask for the platform's pressed-buttons mask: the five buttons the DOM knows.
uint64_t VLDOMMouseButtons(uint64_t pressedButtons);
