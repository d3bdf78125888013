#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSView.h"

#include <memory>
#include <string>
#include <vector>

class VLTextBlock;

// A small panel of text laid over a window's content, in the top-right corner of what the screen shows
// of it: black at alpha 0.7 with rounded corners, white text (yellow for a warning) in the system face
// with digits of equal width. It takes no mouse event, so clicks reach what lies beneath.
//
// Main thread only.
class PerformanceHUDView final : public VLWSView {
public:
    // With a zero frame; the text gives it its size once it is in a view.
    PerformanceHUDView();
    ~PerformanceHUDView() override;

    bool isFlipped() const override { return true; }
    VLWSView* hitTest(VLPoint point) override;

    // The lines, joined with "\n".
    const std::string& text() const { return _string; }
    VLColor textColor() const { return _color; }
    // Shows the lines and, when the view is in a superview, sizes and places it there.
    void setText(const std::vector<std::string>& lines, bool warning);

protected:
    std::shared_ptr<VLWSLayer> makeBackingLayer() override;

private:
    // The frame for text of that size, and the autoresizing mask that keeps it in the corner.
    void place(VLSize textSize);
    // Draws the text at (4, 4) into the layer's contents, at the window's backing scale.
    void display();

    std::string _string;
    VLColor _color = VLColor::whiteColor();
    std::unique_ptr<VLTextBlock> _text;
};
