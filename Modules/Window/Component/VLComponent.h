#pragma once

#include "Modules/Window/Component/VLComponentEventDelegate.h"
#include "Modules/Window/Component/VLComponentViewMouseEventDelegate.h"
#include "Modules/Window/Layout/VLYGLayout.h"
#include "Modules/Window/Layout/VLYGLayoutable.h"
#include "Platform/Foundation/VLEdgeInsets.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLValue.h"
#include "Platform/Graphics/VLColor.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VLJSBindingBase;
class VLRunLoopThread;
class VLRuntime;
class VLUnfairLock;
class VLWSView;

// A node of a runtime's component tree: the style and attributes a script gave it, the events it
// listens to (counted: one entry per addEvent), its ordered subcomponents and a weak parent, and one
// layout node from construction on. Subclasses (windows, images, canvases, videos) override the hooks.
//
// Threads: the tree belongs to its component thread, the runtime's JavaScript thread, which makes and
// changes it. Everything that touches views runs on the main thread, reached through blocks queued
// with VLExecuteOnMainQueue that hold components weakly. The fields below the property lock are read
// from both threads under it; the getters return copies. The last reference may go on either thread.
class VLComponent : public VLYGLayoutable,
                    public VLComponentViewMouseEventDelegate,
                    public std::enable_shared_from_this<VLComponent> {
public:
    // A detached component with the events (non-empty strings only), attributes and style.
    static std::shared_ptr<VLComponent>
    create(const VLDictionary& style = {}, const VLDictionary& attributes = {}, const VLArray& events = {});
    ~VLComponent() override;
    VLComponent(const VLComponent&) = delete;
    VLComponent& operator=(const VLComponent&) = delete;

    // "0x…", the address: unique while the component lives.
    const std::string& identifier() const { return _identifier; }
    // The name of the component's own class: "VLComponent", "VLImage", ...
    std::string className() const;
    VLDictionary style() const;
    VLDictionary attributes() const;
    std::vector<std::shared_ptr<VLComponent>> subcomponents() const;
    // Without a copy of them.
    size_t subcomponentCount() const;
    std::vector<std::string> events() const;
    std::optional<VLColor> backgroundColor() const;
    float opacity() const;
    VLEdgeInsets padding() const;

    // The component's binding object, set and read by the binding.
    std::shared_ptr<VLJSBindingBase> instance() const;
    void setInstance(const std::shared_ptr<VLJSBindingBase>& instance);
    std::shared_ptr<VLComponentEventDelegate> eventDelegate() const;
    void setEventDelegate(const std::shared_ptr<VLComponentEventDelegate>& delegate);

    // The most levels a tree may have, a root alone being one. Layout, views and compositing walk the
    // tree recursively, each level taking at most a few hundred bytes of a thread's stack (a few
    // kilobytes under the sanitizers), so a thousand levels stay far within the 8 MiB stacks.
    static constexpr size_t kMaximumDepth = 1000;

    // Tree operations, on the component thread. A child that refuses the parent, the parent itself or
    // one of its ancestors, or that would nest the tree deeper than kMaximumDepth, is ignored without a
    // word; -1 appends; another index outside 0...count is logged and changes nothing.
    void addComponent(const std::shared_ptr<VLComponent>& component, int64_t index);
    // Whether the component and its subcomponents fit under this one within kMaximumDepth levels.
    bool canNestWithinMaximumDepth(const VLComponent& component) const;
    void removeFromParent();
    virtual bool canBecomeSubcomponent(const VLComponent* proposedParent) const;
    std::shared_ptr<VLComponent> parent() const;
    std::shared_ptr<VLComponent> root();
    // In a window when the root is a live window.
    virtual bool isInWindow() const;
    virtual bool isTopLevel() const { return false; }
    // The runtime that a root window reports to; none for other components.
    virtual std::shared_ptr<VLRuntime> runtime() const { return nullptr; }

    // On the component thread. The style is replaced whole, unless equal; attributes are merged in,
    // and count as a change unless equal to the whole merged dictionary.
    virtual void updateStyle(const VLDictionary& style);
    void updateAttributes(const VLDictionary& attributes);
    void addEvent(const std::string& name);
    void removeEvent(const std::string& name);

    // Views, on the main thread: the view, made on first call, nested like the tree.
    std::shared_ptr<VLWSView> view();
    // Whether the view has been made; any thread.
    virtual bool isViewLoaded() const;

    // Layout, on the component thread.
    VLYGLayout& yoga() const override { return *_yoga; }
    std::vector<std::shared_ptr<VLYGLayoutable>> children() const override;
    bool isRoot() const override { return !parent(); }
    // Sets every layout key of the node from the style; a "contents" display stays only on a plain
    // component.
    void updateYogaLayoutFromStyle(const VLDictionary& style);
    virtual bool needsLayout() const;
    // On a root, lays the whole tree out now, its view changes reaching the main thread in one
    // transaction; on another component, marks its node dirty.
    void setNeedsLayout();
    // Lays the tree out from its root when this node is dirty.
    void layoutIfNeeded();
    bool isDirectionRTL() const;
    VLRect frame() const override;
    // Stores a frame from layout with the node's padding, and has the main thread follow: a null,
    // infinite or NaN frame is ignored, and only a new rectangle fires "framechange", never on a
    // top-level component.
    void setFrame(const VLRect& frame) override;
    void setPadding(const VLEdgeInsets& padding);
    MeasureBlock measureBlock() const override { return nullptr; }

    // As its view's mouse and click delegate, on the main thread: fires the event.
    void componentView(VLComponentView& view, const std::string& type, const VLDictionary& payload) override;

protected:
    VLComponent();
    // Right after construction, through the most-derived hooks: the events, attributes and style.
    void initWithStyle(const VLDictionary& style, const VLDictionary& attributes, const VLArray& events);

    // Hooks. Component thread: stores the style with its colour and opacity (overrides call it first).
    virtual void _updateStyleOnComponentThread(const VLDictionary& style);
    // Merges into the attributes.
    virtual void _updateAttributesOnComponentThread(const VLDictionary& attributes);
    virtual void didMoveToParent(const std::shared_ptr<VLComponent>& parent) { (void)parent; }
    // Told to every component of a subtree that enters or leaves a window, parents first.
    virtual void inWindowDidChange(bool inWindow) { (void)inWindow; }
    // Whether leaving a shown window should make the runtime collect garbage soon.
    virtual bool _holdsLargeMedia() const;

    // Hooks on the main thread. Shows the style on the view and its layer.
    virtual void _updateStyleOnMainThread();
    virtual void _updateAttributesOnMainThread() {}
    // Make this component its view's click or mouse delegate while it listens to such events.
    virtual void _addEventOnMainThread(const std::string& name);
    virtual void _removeEventOnMainThread(const std::string& name);
    // Places the child's view among its siblings' views in the subcomponents' order, later ones on top;
    // `appended` when it was added as the last subcomponent.
    virtual void _insertSubview(const std::shared_ptr<VLComponent>& child, bool appended);
    virtual void _removeFromSuperview();
    // A layer-backed VLComponentView; subclasses make their own views.
    virtual std::shared_ptr<VLWSView> loadView();
    virtual void viewWillLoad() {}
    virtual void viewDidLoad() {}
    // Gives the loaded view the frame.
    virtual void frameDidChange(const VLRect& frame);
    // Hands the event to the event delegate.
    virtual void _fireEvent(const std::string& name, const VLDictionary& params);

    void setParent(const std::shared_ptr<VLComponent>& parent);
    void _notifyInWindow(bool inWindow);
    // The view once made, else null; any thread.
    std::shared_ptr<VLWSView> loadedView() const;

private:
    void _addEventOnComponentThread(const std::string& name);
    bool _insertSubcomponent(const std::shared_ptr<VLComponent>& child, int64_t index);
    void _removeFromParent();
    void _removeSubcomponent(const std::shared_ptr<VLComponent>& child);
    bool isAncestorOrSelf(const VLComponent* component) const;
    // Runs the hook on the main queue while the component lives; the second only once there is a view.
    template <typename Block>
    void performOnMainQueue(Block block);
    template <typename Block>
    void performOnMainQueueForView(Block block);

    template <typename Block>
    void performScreenUpdate(Block block);

    std::vector<std::string> _events;
    std::weak_ptr<VLComponentEventDelegate> _eventDelegate;
    std::shared_ptr<VLWSView> _view; // made and used on the main thread
    VLRect _frame;
    VLEdgeInsets _padding;
    const std::shared_ptr<VLUnfairLock> _propertyLock; // guards the fields above and below it
    std::optional<VLColor> _backgroundColor;
    float _opacity = 1;
    std::weak_ptr<VLJSBindingBase> _instance;
    VLDictionary _style;
    VLDictionary _attributes;
    std::vector<std::shared_ptr<VLComponent>> _subcomponents;
    std::weak_ptr<VLComponent> _parent;
    // The node's display and overflow as the last style set them, for the main thread.
    YGDisplay _display = YGDisplayFlex;
    YGOverflow _overflow = YGOverflowHidden;
    const std::string _identifier;

    // The component thread's; freed there, as its node tree lives there.
    std::unique_ptr<VLYGLayout> _yoga;
    const std::weak_ptr<VLRunLoopThread> _thread;
};
