#include "Modules/Window/Component/VLComponent.h"

#include "Core/Engine/KeyValue/VLKVObject.h"
#include "Core/Engine/Log/VLSystemLog.h"
#include "Core/Engine/RunLoop/VLQueueSupport.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLLocks.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Window/Component/VLComponentView.h"
#include "Modules/Window/Layout/VLComponentLayoutStyle.h"
#include "Modules/Window/Style/VLComponentStyleConvertUtil.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/WindowServer/VLWSLayer.h"

#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <typeinfo>

std::shared_ptr<VLComponent> VLComponent::create(const VLDictionary& style, const VLDictionary& attributes,
                                                 const VLArray& events) {
    std::shared_ptr<VLComponent> component(new VLComponent());
    component->initWithStyle(style, attributes, events);
    return component;
}

VLComponent::VLComponent()
    : _propertyLock(VLCreateFastLock()),
      _identifier(VLStringWithFormat("%p", static_cast<const void*>(this))),
      _yoga(std::make_unique<VLYGLayout>(this)), _thread(VLRunLoopThread::current()) {
    _yoga->setEnabled(true);
}

VLComponent::~VLComponent() {
    if (_view)
        VLExecuteOnMainQueue([view = std::move(_view)] { view->removeFromSuperview(); });
    _yoga->forgetLayoutable();
    // A main-queue block may have held the last reference; the node tree is the component thread's.
    std::shared_ptr<VLRunLoopThread> thread = _thread.lock();
    if (thread && !thread->isCurrent()) {
        std::shared_ptr<VLYGLayout> layout = std::move(_yoga);
        thread->post([layout] {});
    }
}

void VLComponent::initWithStyle(const VLDictionary& style, const VLDictionary& attributes,
                                const VLArray& events) {
    for (const VLValue& event : events)
        if (event.isString() && !event.stringValue().empty())
            _addEventOnComponentThread(event.stringValue());
    _updateAttributesOnComponentThread(attributes);
    _updateStyleOnComponentThread(style);
}

std::string VLComponent::className() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(mangled);
}

template <typename Block>
void VLComponent::performOnMainQueue(Block block) {
    VLExecuteOnMainQueue([weakSelf = weak_from_this(), block = std::move(block)] {
        if (std::shared_ptr<VLComponent> self = weakSelf.lock())
            block(*self);
    });
}

template <typename Block>
void VLComponent::performOnMainQueueForView(Block block) {
    if (isViewLoaded())
        performOnMainQueue(std::move(block));
}

template <typename Block>
void VLComponent::performScreenUpdate(Block block) {
    VLScreenUpdatePerform([weakSelf = weak_from_this(), block = std::move(block)] {
        if (std::shared_ptr<VLComponent> self = weakSelf.lock())
            block(*self);
    });
}

VLDictionary VLComponent::style() const {
    std::lock_guard lock(*_propertyLock);
    return _style;
}

VLDictionary VLComponent::attributes() const {
    std::lock_guard lock(*_propertyLock);
    return _attributes;
}

std::vector<std::shared_ptr<VLComponent>> VLComponent::subcomponents() const {
    std::lock_guard lock(*_propertyLock);
    return _subcomponents;
}

size_t VLComponent::subcomponentCount() const {
    std::lock_guard lock(*_propertyLock);
    return _subcomponents.size();
}

std::vector<std::string> VLComponent::events() const {
    std::lock_guard lock(*_propertyLock);
    return _events;
}

std::optional<VLColor> VLComponent::backgroundColor() const {
    std::lock_guard lock(*_propertyLock);
    return _backgroundColor;
}

float VLComponent::opacity() const {
    std::lock_guard lock(*_propertyLock);
    return _opacity;
}

VLEdgeInsets VLComponent::padding() const {
    std::lock_guard lock(*_propertyLock);
    return _padding;
}

std::shared_ptr<VLJSBindingBase> VLComponent::instance() const {
    std::lock_guard lock(*_propertyLock);
    return _instance.lock();
}

void VLComponent::setInstance(const std::shared_ptr<VLJSBindingBase>& instance) {
    std::lock_guard lock(*_propertyLock);
    _instance = instance;
}

std::shared_ptr<VLComponentEventDelegate> VLComponent::eventDelegate() const {
    std::lock_guard lock(*_propertyLock);
    return _eventDelegate.lock();
}

void VLComponent::setEventDelegate(const std::shared_ptr<VLComponentEventDelegate>& delegate) {
    std::lock_guard lock(*_propertyLock);
    _eventDelegate = delegate;
}

// Tree

bool VLComponent::canBecomeSubcomponent(const VLComponent* proposedParent) const {
    return proposedParent != nullptr;
}

std::shared_ptr<VLComponent> VLComponent::parent() const {
    std::lock_guard lock(*_propertyLock);
    return _parent.lock();
}

std::shared_ptr<VLComponent> VLComponent::root() {
    std::shared_ptr<VLComponent> root = shared_from_this();
    while (std::shared_ptr<VLComponent> parent = root->parent())
        root = std::move(parent);
    return root;
}

bool VLComponent::isInWindow() const {
    std::shared_ptr<VLComponent> parent = this->parent();
    return parent && parent->isInWindow();
}

bool VLComponent::isAncestorOrSelf(const VLComponent* component) const {
    if (component == this)
        return true;
    for (std::shared_ptr<VLComponent> ancestor = parent(); ancestor; ancestor = ancestor->parent())
        if (ancestor.get() == component)
            return true;
    return false;
}

bool VLComponent::canNestWithinMaximumDepth(const VLComponent& component) const {
    size_t levels = 1;
    for (std::shared_ptr<VLComponent> ancestor = parent(); ancestor; ancestor = ancestor->parent())
        ++levels;
    // The subtree's levels, one at a time, only as far as the levels left allow; no recursion, which
    // is what the limit guards.
    std::vector<std::shared_ptr<VLComponent>> level = component.subcomponents();
    for (++levels; levels <= kMaximumDepth; ++levels) {
        if (level.empty())
            return true;
        std::vector<std::shared_ptr<VLComponent>> next;
        for (const std::shared_ptr<VLComponent>& member : level) {
            std::vector<std::shared_ptr<VLComponent>> children = member->subcomponents();
            next.insert(next.end(), children.begin(), children.end());
        }
        level = std::move(next);
    }
    return false;
}

void VLComponent::addComponent(const std::shared_ptr<VLComponent>& component, int64_t index) {
    if (!component || !component->canBecomeSubcomponent(this) || isAncestorOrSelf(component.get()) ||
        !canNestWithinMaximumDepth(*component))
        return;
    if (component->parent())
        component->removeFromParent();
    const int64_t count = int64_t(subcomponentCount());
    if (index == -1)
        index = count;
    if (!_insertSubcomponent(component, index))
        return;
    performOnMainQueue([weakChild = std::weak_ptr(component), appended = index == count](VLComponent& self) {
        if (std::shared_ptr<VLComponent> child = weakChild.lock())
            self._insertSubview(child, appended);
    });
}

bool VLComponent::_insertSubcomponent(const std::shared_ptr<VLComponent>& child, int64_t index) {
    {
        std::unique_lock lock(*_propertyLock);
        const size_t count = _subcomponents.size();
        if (index < 0 || uint64_t(index) > count) {
            lock.unlock();
            VLSystemLogWrite(VLStringWithFormat(
                "the index of inserted %ld is out of range as the current is %lu", index, count));
            return false;
        }
        _subcomponents.insert(_subcomponents.begin() + index, child);
    }
    child->setParent(shared_from_this());
    child->_updateStyleOnComponentThread(child->style());
    _yoga->insertChild(child->yoga(), size_t(index));
    return true;
}

void VLComponent::removeFromParent() {
    if (!parent())
        return;
    _removeFromParent();
    performOnMainQueue([](VLComponent& self) { self._removeFromSuperview(); });
}

void VLComponent::_removeFromParent() {
    if (std::shared_ptr<VLComponent> parent = this->parent()) {
        parent->_removeSubcomponent(shared_from_this());
        parent->yoga().removeChild(*_yoga);
    }
}

void VLComponent::_removeSubcomponent(const std::shared_ptr<VLComponent>& child) {
    const bool wasInWindow = isInWindow();
    {
        std::lock_guard lock(*_propertyLock);
        std::erase(_subcomponents, child);
    }
    child->setParent(nullptr);
    if (wasInWindow && child->_holdsLargeMedia()) {
        if (std::shared_ptr<VLRuntime> runtime = root()->runtime())
            runtime->setNeedsGarbageCollection();
    }
}

void VLComponent::setParent(const std::shared_ptr<VLComponent>& parent) {
    const bool wasInWindow = isInWindow();
    {
        std::lock_guard lock(*_propertyLock);
        _parent = parent;
    }
    didMoveToParent(parent);
    const bool inWindow = isInWindow();
    if (inWindow != wasInWindow)
        _notifyInWindow(inWindow);
}

void VLComponent::_notifyInWindow(bool inWindow) {
    inWindowDidChange(inWindow);
    for (const std::shared_ptr<VLComponent>& child : subcomponents())
        child->_notifyInWindow(inWindow);
}

bool VLComponent::_holdsLargeMedia() const {
    const std::vector<std::shared_ptr<VLComponent>> children = subcomponents();
    return std::any_of(children.begin(), children.end(),
                       [](const auto& child) { return child->_holdsLargeMedia(); });
}

// Style, attributes and events

void VLComponent::updateStyle(const VLDictionary& style) {
    if (style == this->style())
        return;
    _updateStyleOnComponentThread(style);
    performOnMainQueueForView([](VLComponent& self) { self._updateStyleOnMainThread(); });
}

void VLComponent::_updateStyleOnComponentThread(const VLDictionary& style) {
    const std::optional<VLColor> color =
        VLComponentStyleConvertUtil::colorValue(style.get("backgroundColor"));
    float opacity = float(VLKVObject(style.get("opacity")).doubleValueWithDefault(1.0));
    if (!std::isfinite(opacity))
        opacity = 1;
    {
        std::lock_guard lock(*_propertyLock);
        _style = style;
        _backgroundColor = color;
        _opacity = opacity;
    }
    updateYogaLayoutFromStyle(style);
}

void VLComponent::updateAttributes(const VLDictionary& attributes) {
    if (attributes == this->attributes())
        return;
    _updateAttributesOnComponentThread(attributes);
    performOnMainQueueForView([](VLComponent& self) { self._updateAttributesOnMainThread(); });
}

void VLComponent::_updateAttributesOnComponentThread(const VLDictionary& attributes) {
    std::lock_guard lock(*_propertyLock);
    for (const auto& [key, value] : attributes)
        _attributes.set(key, value);
}

void VLComponent::_addEventOnComponentThread(const std::string& name) {
    std::lock_guard lock(*_propertyLock);
    _events.push_back(name);
}

void VLComponent::addEvent(const std::string& name) {
    _addEventOnComponentThread(name);
    performOnMainQueueForView([name](VLComponent& self) { self._addEventOnMainThread(name); });
}

void VLComponent::removeEvent(const std::string& name) {
    {
        std::lock_guard lock(*_propertyLock);
        auto found = std::find(_events.begin(), _events.end(), name);
        if (found != _events.end())
            _events.erase(found);
    }
    performOnMainQueueForView([name](VLComponent& self) { self._removeEventOnMainThread(name); });
}

void VLComponent::_addEventOnMainThread(const std::string& name) {
    auto* view = dynamic_cast<VLComponentView*>(loadedView().get());
    if (!view)
        return;
    if (VLComponentView::isClickEvent(name))
        view->setClickEventDelegate(weak_from_this());
    else if (VLComponentView::isMouseEvent(name))
        view->setMouseEventDelegate(weak_from_this());
}

void VLComponent::_removeEventOnMainThread(const std::string& name) {
    auto* view = dynamic_cast<VLComponentView*>(loadedView().get());
    const std::vector<std::string> listened = events();
    if (!view || std::find(listened.begin(), listened.end(), name) != listened.end())
        return;
    if (VLComponentView::isClickEvent(name) &&
        std::none_of(listened.begin(), listened.end(), VLComponentView::isClickEvent))
        view->setClickEventDelegate({});
    else if (VLComponentView::isMouseEvent(name) &&
             std::none_of(listened.begin(), listened.end(), VLComponentView::isMouseEvent))
        view->setMouseEventDelegate({});
}

void VLComponent::componentView(VLComponentView&, const std::string& type, const VLDictionary& payload) {
    _fireEvent(type, payload);
}

void VLComponent::_fireEvent(const std::string& name, const VLDictionary& params) {
    if (std::shared_ptr<VLComponentEventDelegate> delegate = eventDelegate())
        delegate->component(*this, name, params);
}

// Layout

std::vector<std::shared_ptr<VLYGLayoutable>> VLComponent::children() const {
    std::lock_guard lock(*_propertyLock);
    return {_subcomponents.begin(), _subcomponents.end()};
}

VLRect VLComponent::frame() const {
    std::lock_guard lock(*_propertyLock);
    return _frame;
}

void VLComponent::updateYogaLayoutFromStyle(const VLDictionary& style) {
    VLComponentLayoutStyle::apply(*_yoga, style);
    // Only a plain box may leave its children to its parent; a window shows its box, and images,
    // canvases and videos with "contents" are hidden.
    if (_yoga->display() == YGDisplayContents && typeid(*this) != typeid(VLComponent))
        _yoga->setDisplay(isTopLevel() ? YGDisplayFlex : YGDisplayNone);
    std::lock_guard lock(*_propertyLock);
    _display = _yoga->display();
    _overflow = _yoga->overflow();
}

bool VLComponent::needsLayout() const {
    return _yoga->isDirty();
}

void VLComponent::setNeedsLayout() {
    // A root that measures itself (a detached image) is marked too, or its last measurement would be
    // reused by the layout below.
    _yoga->markDirty();
    if (!isRoot())
        return;
    VLScreenUpdateBeginLayout();
    _yoga->applyLayoutPreservingOrigin(false, VLYGDimensionFlexibilityFlexibleWidth |
                                                  VLYGDimensionFlexibilityFlexibleHeight);
    VLScreenUpdateEndLayout();
}

void VLComponent::layoutIfNeeded() {
    if (needsLayout())
        root()->setNeedsLayout();
}

bool VLComponent::isDirectionRTL() const {
    return _yoga->direction() == YGDirectionRTL;
}

namespace {

double paddingOf(YGNodeConstRef node, YGEdge edge) {
    const double padding = YGNodeLayoutGetPadding(node, edge);
    return std::isnan(padding) ? 0 : padding;
}

} // namespace

void VLComponent::setFrame(const VLRect& frame) {
    const YGNodeConstRef node = _yoga->node();
    const VLEdgeInsets insets{paddingOf(node, YGEdgeTop), paddingOf(node, YGEdgeLeft),
                              paddingOf(node, YGEdgeBottom), paddingOf(node, YGEdgeRight)};
    bool moved;
    {
        std::lock_guard lock(*_propertyLock);
        if (frame == _frame && insets == _padding)
            return;
        if (frame.isNull() || !frame.isFinite())
            return;
        moved = frame != _frame;
        _frame = frame;
    }
    setPadding(insets);
    performScreenUpdate([frame, moved](VLComponent& self) {
        self.frameDidChange(frame);
        if (moved && !self.isTopLevel()) {
            self._fireEvent("framechange", {{"x", frame.origin.x},
                                            {"y", frame.origin.y},
                                            {"width", frame.size.width},
                                            {"height", frame.size.height}});
        }
    });
}

void VLComponent::setPadding(const VLEdgeInsets& padding) {
    std::lock_guard lock(*_propertyLock);
    _padding = padding;
}

// Views

std::shared_ptr<VLWSView> VLComponent::loadedView() const {
    std::lock_guard lock(*_propertyLock);
    return _view;
}

bool VLComponent::isViewLoaded() const {
    return loadedView() != nullptr;
}

std::shared_ptr<VLWSView> VLComponent::view() {
    if (std::shared_ptr<VLWSView> view = loadedView())
        return view;
    viewWillLoad();
    std::shared_ptr<VLWSView> view = loadView();
    {
        std::lock_guard lock(*_propertyLock);
        _view = view;
    }
    view->setFrame(frame());
    for (const std::string& event : events())
        _addEventOnMainThread(event);
    _updateAttributesOnMainThread();
    _updateStyleOnMainThread();
    viewDidLoad();
    return view;
}

std::shared_ptr<VLWSView> VLComponent::loadView() {
    return std::make_shared<VLComponentView>();
}

void VLComponent::_insertSubview(const std::shared_ptr<VLComponent>& child, bool appended) {
    const std::shared_ptr<VLWSView> parentView = view();
    if (child->parent().get() != this)
        return;
    // Every sibling whose view is in place came before an appended child: a sibling moved after it
    // since has its view taken out and put back later, in order. So appending costs the same however
    // many siblings there are, even when many appends wait for the main thread.
    if (appended) {
        parentView->addSubview(child->view());
        return;
    }
    // The siblings after the child only, found from the end.
    std::vector<std::shared_ptr<VLComponent>> later;
    {
        std::lock_guard lock(*_propertyLock);
        auto found = std::find(_subcomponents.rbegin(), _subcomponents.rend(), child);
        if (found == _subcomponents.rend())
            return;
        later.assign(found.base(), _subcomponents.end());
    }
    for (auto next = later.begin(); next != later.end(); ++next) {
        const std::shared_ptr<VLWSView> nextView = (*next)->loadedView();
        if (nextView && nextView->superview() == parentView.get()) {
            parentView->addSubview(child->view(), VLWSWindowOrderingMode::Below, nextView.get());
            return;
        }
    }
    parentView->addSubview(child->view());
}

void VLComponent::_removeFromSuperview() {
    if (std::shared_ptr<VLWSView> view = loadedView())
        view->removeFromSuperview();
}

void VLComponent::frameDidChange(const VLRect& frame) {
    if (std::shared_ptr<VLWSView> view = loadedView())
        view->setFrame(frame);
}

void VLComponent::_updateStyleOnMainThread() {
    const std::shared_ptr<VLWSView> view = loadedView();
    if (!view)
        return;
    YGDisplay display;
    YGOverflow overflow;
    std::optional<VLColor> backgroundColor;
    float opacity;
    {
        std::lock_guard lock(*_propertyLock);
        display = _display;
        overflow = _overflow;
        backgroundColor = _backgroundColor;
        opacity = _opacity;
    }
    view->setHidden(display == YGDisplayNone);
    if (auto* componentView = dynamic_cast<VLComponentView*>(view.get()))
        componentView->setDisplaysContents(display == YGDisplayContents);
    VLWSLayer& layer = *view->layer();
    if (display == YGDisplayContents) {
        // The box draws nothing, so its children show as if they were its parent's.
        layer.setBackgroundColor(VLColor::clearColor());
        layer.setOpacity(1);
        layer.setMasksToBounds(false);
        return;
    }
    layer.setBackgroundColor(backgroundColor.value_or(VLColor::clearColor()));
    layer.setOpacity(opacity);
    layer.setMasksToBounds(overflow != YGOverflowVisible);
}
