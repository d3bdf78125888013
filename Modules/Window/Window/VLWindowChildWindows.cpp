// VLWindow's parent and child windows: the script's tree, kept under the window's lock, mirrored into
// the platform windows on the main thread once they exist.
#include "Modules/Window/Window/VLWindow.h"

#include "Core/Engine/Support/VLLocks.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <mutex>

std::shared_ptr<VLWindow> VLWindow::parentWindow() const {
    return _parentWindow.lock();
}

void VLWindow::setParentWindow(const std::shared_ptr<VLWindow>& parent) {
    for (Self ancestor = parent; ancestor; ancestor = ancestor->parentWindow())
        if (ancestor.get() == this)
            return;
    if (Self current = parentWindow())
        current->_removeChildWindow(self());
    _parentWindow = parent;
    if (parent)
        parent->_addChildWindow(self());
}

std::vector<std::shared_ptr<VLWindow>> VLWindow::childWindows() const {
    std::lock_guard lock(*_lock);
    std::vector<Self> children;
    for (const auto& [child, order] : _childWindows)
        children.push_back(child);
    return children;
}

void VLWindow::_addChildWindow(const Self& child) {
    {
        std::lock_guard lock(*_lock);
        _childWindows.emplace_back(child, int64_t(VLWSWindowOrderingMode::Above));
    }
    if (isViewLoaded())
        onMainQueue([child](VLWindow& self) { self._addChildWindowOnMainThread(child); });
}

void VLWindow::_removeChildWindow(const Self& child) {
    if (!child->parentWindow())
        return;
    {
        std::lock_guard lock(*_lock);
        auto found = std::find_if(_childWindows.begin(), _childWindows.end(),
                                  [&](const auto& entry) { return entry.first == child; });
        if (found == _childWindows.end())
            return;
        _childWindows.erase(found);
    }
    if (isViewLoaded())
        onMainQueue([child](VLWindow& self) { self._removeChildWindowOnMainThread(child); });
}

void VLWindow::_addChildWindowOnMainThread(const Self& child) {
    child->view();
    if (_window && child->_window)
        _window->addChildWindow(child->_window);
}

void VLWindow::_removeChildWindowOnMainThread(const Self& child) {
    if (_window && child->_window)
        _window->removeChildWindow(child->_window);
}
