#pragma once

#include "Core/Engine/Support/VLWeakObjectProxy.h"
#include "Modules/Window/Component/VLComponentViewMouseEventDelegate.h"
#include "Modules/Window/Component/VLComponentViewPress.h"
#include "Platform/Foundation/VLValue.h"
#include "Platform/WindowServer/VLWSView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The view of a component: flipped (y downwards, as layout gives frames), taking the first mouse, and
// backed by a layer that shows the component's style. It turns the mouse into DOM-like events for two
// delegates held weakly: the mouse delegate hears "mousedown", "mouseup", "mousemove", "mouseenter",
// "mouseleave" and "wheel", the click delegate "click" and "dblclick". Every handler passes the event on
// to the superview, so enclosing views hear the same event in turn, innermost first.
//
// Main thread only.
class VLComponentView : public VLWSView {
public:
    using Delegate = VLComponentViewMouseEventDelegate;

    using VLWSView::VLWSView;
    ~VLComponentView() override;

    static const std::vector<std::string>& clickEvents();
    static const std::vector<std::string>& mouseEvents();
    static bool isClickEvent(const std::string& name);
    static bool isMouseEvent(const std::string& name);

    bool isFlipped() const override { return true; }
    bool acceptsFirstMouse(const VLWSEvent* event) const override;

    // Whether the component's display is "contents": the box itself draws nothing and is never hit.
    bool displaysContents() const { return _displaysContents; }
    void setDisplaysContents(bool displaysContents) { _displaysContents = displaysContents; }

    // An expired delegate clears it. Setting the mouse delegate puts the tracking area right at once.
    std::shared_ptr<Delegate> mouseEventDelegate() const;
    void setMouseEventDelegate(std::weak_ptr<Delegate> delegate);
    std::shared_ptr<Delegate> clickEventDelegate() const;
    void setClickEventDelegate(std::weak_ptr<Delegate> delegate);

    // Nothing while the window keeps the mouse from components; a "contents" view answers only for
    // its subviews.
    VLWSView* hitTest(VLPoint point) override;
    // One area over the bounds while there is a mouse delegate, none otherwise.
    void updateTrackingAreas() override;

    void mouseDown(const VLWSEvent& event) override;
    void mouseDragged(const VLWSEvent& event) override;
    void mouseUp(const VLWSEvent& event) override;
    void rightMouseDown(const VLWSEvent& event) override;
    void rightMouseDragged(const VLWSEvent& event) override;
    void rightMouseUp(const VLWSEvent& event) override;
    void otherMouseDown(const VLWSEvent& event) override;
    void otherMouseDragged(const VLWSEvent& event) override;
    void otherMouseUp(const VLWSEvent& event) override;
    void mouseEntered(const VLWSEvent& event) override;
    void mouseExited(const VLWSEvent& event) override;
    void mouseMoved(const VLWSEvent& event) override;
    void scrollWheel(const VLWSEvent& event) override;

private:
    using Proxy = VLWeakObjectProxy<Delegate>;

    // The eight keys of a pointer event; none when the position is not a number.
    std::optional<VLDictionary> mousePayload(const VLWSEvent& event) const;
    // Where the pointer is, in screen coordinates.
    VLPoint pressPosition(const VLWSEvent& event, bool movesWindow) const;
    void send(const std::shared_ptr<Proxy>& delegate, const std::string& type,
              const std::optional<VLDictionary>& payload);
    // Sends a fresh pointer payload to the mouse delegate.
    void sendMouse(const std::string& type, const VLWSEvent& event);
    bool windowTakesMouse() const;
    bool windowPressMovesWindow() const;
    // Queues the release's "click" (and "dblclick") for the outermost release to deliver.
    void queueClicks(const VLWSEvent& event, const std::optional<VLDictionary>& payload);

    bool _displaysContents = false;
    std::shared_ptr<Proxy> _mouseEventDelegate;
    std::shared_ptr<Proxy> _clickEventDelegate;
    std::unique_ptr<VLComponentViewPress> _press;
};
