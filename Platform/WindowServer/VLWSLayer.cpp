#include "Platform/WindowServer/VLWSLayer.h"

#include "Platform/WindowServer/VLWSTransaction.h"

#include <algorithm>
#include <cmath>

namespace {

// Guards every layer; recursive so that a layer freed while the lock is held (its last holder let go
// under it) can still take it in its destructor.
std::recursive_mutex treeLock;

bool isValidColor(const VLColor& color) {
    return std::isfinite(color.red) && std::isfinite(color.green) && std::isfinite(color.blue) &&
           std::isfinite(color.alpha);
}

// What `proposed` may keep: a value that fails its check is replaced by the current one.
VLWSLayerProperties sanitized(VLWSLayerProperties proposed, const VLWSLayerProperties& current) {
    auto keepIf = [](auto& value, const auto& old, bool valid) {
        if (!valid)
            value = old;
    };
    auto& p = proposed;
    keepIf(p.bounds, current.bounds,
           p.bounds.isFinite() && p.bounds.size.width >= 0 && p.bounds.size.height >= 0);
    keepIf(p.position, current.position, p.position.isFinite());
    keepIf(p.anchorPoint, current.anchorPoint, p.anchorPoint.isFinite());
    keepIf(p.transform, current.transform, p.transform.isFinite());
    keepIf(p.sublayerTransform, current.sublayerTransform, p.sublayerTransform.isFinite());
    keepIf(p.opacity, current.opacity, !std::isnan(p.opacity));
    p.opacity = std::clamp(p.opacity, 0.0f, 1.0f);
    keepIf(p.cornerRadius, current.cornerRadius, std::isfinite(p.cornerRadius));
    p.cornerRadius = std::max(p.cornerRadius, 0.0);
    p.maskedCorners &= VLWSLayerAllCorners;
    keepIf(p.backgroundColor, current.backgroundColor, isValidColor(p.backgroundColor));
    keepIf(p.borderWidth, current.borderWidth, std::isfinite(p.borderWidth));
    p.borderWidth = std::max(p.borderWidth, 0.0);
    keepIf(p.borderColor, current.borderColor, isValidColor(p.borderColor));
    keepIf(p.contentsRect, current.contentsRect, p.contentsRect.isFinite());
    keepIf(p.contentsCenter, current.contentsCenter, p.contentsCenter.isFinite());
    keepIf(p.contentsScale, current.contentsScale, std::isfinite(p.contentsScale) && p.contentsScale > 0);
    return proposed;
}

} // namespace

VLWSLayer::~VLWSLayer() {
    Lock lock = lockTree();
    for (auto& sublayer : _sublayers)
        sublayer->_superlayer = nullptr;
    if (_mask)
        _mask->_maskOwner = nullptr;
}

VLWSLayer::Lock VLWSLayer::lockTree() {
    return Lock(treeLock);
}

// Properties

VLWSLayerProperties VLWSLayer::properties() const {
    Lock lock = lockTree();
    return _properties;
}

void VLWSLayer::setProperties(const VLWSLayerProperties& properties) {
    update([&](VLWSLayerProperties& current) { current = properties; });
}

void VLWSLayer::update(const std::function<void(VLWSLayerProperties&)>& change) {
    VLWSLayerProperties old; // freed after the lock: it may hold the last reference to contents
    {
        Lock lock = lockTree();
        VLWSLayerProperties proposed = _properties;
        change(proposed);
        old = std::exchange(_properties, sanitized(std::move(proposed), _properties));
    }
    VLWSTransaction::didChange();
}

VLRect VLWSLayer::frame() const {
    Lock lock = lockTree();
    return _properties.toSuperlayer().apply(_properties.bounds);
}

void VLWSLayer::setFrame(VLRect frame) {
    if (!frame.isFinite())
        return;
    const VLRect rect = frame.standardized();
    update([&](VLWSLayerProperties& p) {
        p.bounds.size = rect.size;
        p.position = {rect.origin.x + p.anchorPoint.x * rect.size.width,
                      rect.origin.y + p.anchorPoint.y * rect.size.height};
    });
}

bool VLWSLayer::contentsAreFlipped() const {
    Lock lock = lockTree();
    bool flipped = false;
    for (const VLWSLayer* layer = this; layer; layer = layer->_superlayer)
        flipped ^= layer->_properties.geometryFlipped;
    return flipped;
}

// The tree

VLWSLayer::Layers VLWSLayer::sublayers() const {
    Lock lock = lockTree();
    return _sublayers;
}

std::shared_ptr<VLWSLayer> VLWSLayer::superlayer() const {
    Lock lock = lockTree();
    // A superlayer on its way out has no owners left, and lock() says so.
    return _superlayer ? _superlayer->weak_from_this().lock() : nullptr;
}

bool VLWSLayer::isAncestorOrSelf(const VLWSLayer* layer) const {
    for (const VLWSLayer* up = this; up; up = up->_superlayer ? up->_superlayer : up->_maskOwner)
        if (up == layer)
            return true;
    return false;
}

void VLWSLayer::detach(Layers& released) {
    if (_superlayer) {
        auto& siblings = _superlayer->_sublayers;
        auto found = std::find_if(siblings.begin(), siblings.end(),
                                  [&](const auto& sibling) { return sibling.get() == this; });
        released.push_back(std::move(*found));
        siblings.erase(found);
        _superlayer = nullptr;
    }
    if (_maskOwner) {
        released.push_back(std::move(_maskOwner->_mask));
        _maskOwner = nullptr;
    }
}

void VLWSLayer::insert(std::shared_ptr<VLWSLayer> layer, const std::function<size_t()>& index) {
    if (!layer)
        return;
    Layers released;
    {
        Lock lock = lockTree();
        if (isAncestorOrSelf(layer.get()))
            return;
        layer->detach(released);
        const size_t at = std::min(index(), _sublayers.size());
        layer->_superlayer = this;
        _sublayers.insert(_sublayers.begin() + ptrdiff_t(at), std::move(layer));
    }
    VLWSTransaction::didChange();
}

void VLWSLayer::addSublayer(std::shared_ptr<VLWSLayer> layer) {
    insert(std::move(layer), [this] { return _sublayers.size(); });
}

void VLWSLayer::insertSublayer(std::shared_ptr<VLWSLayer> layer, size_t index) {
    insert(std::move(layer), [index] { return index; });
}

void VLWSLayer::insertSublayerBelow(std::shared_ptr<VLWSLayer> layer, const VLWSLayer* sibling) {
    insert(std::move(layer), [this, sibling] {
        auto found = std::find_if(_sublayers.begin(), _sublayers.end(),
                                  [&](const auto& one) { return one.get() == sibling; });
        return size_t(found - _sublayers.begin());
    });
}

void VLWSLayer::insertSublayerAbove(std::shared_ptr<VLWSLayer> layer, const VLWSLayer* sibling) {
    insert(std::move(layer), [this, sibling] {
        auto found = std::find_if(_sublayers.begin(), _sublayers.end(),
                                  [&](const auto& one) { return one.get() == sibling; });
        return found == _sublayers.end() ? _sublayers.size() : size_t(found - _sublayers.begin()) + 1;
    });
}

void VLWSLayer::setSublayers(Layers layers) {
    Layers released;
    {
        Lock lock = lockTree();
        for (auto& sublayer : _sublayers)
            sublayer->_superlayer = nullptr;
        released = std::exchange(_sublayers, {});
        for (auto& layer : layers) {
            if (!layer || isAncestorOrSelf(layer.get()))
                continue;
            layer->detach(released);
            layer->_superlayer = this;
            _sublayers.push_back(std::move(layer));
        }
    }
    VLWSTransaction::didChange();
}

void VLWSLayer::removeFromSuperlayer() {
    Layers released;
    {
        Lock lock = lockTree();
        if (!_superlayer)
            return;
        detach(released);
    }
    VLWSTransaction::didChange();
}

std::shared_ptr<VLWSLayer> VLWSLayer::mask() const {
    Lock lock = lockTree();
    return _mask;
}

void VLWSLayer::setMask(std::shared_ptr<VLWSLayer> mask) {
    Layers released;
    {
        Lock lock = lockTree();
        if (mask == _mask || (mask && isAncestorOrSelf(mask.get())))
            return;
        if (_mask) {
            _mask->_maskOwner = nullptr;
            released.push_back(std::move(_mask));
        }
        if (mask) {
            mask->detach(released);
            mask->_maskOwner = this;
        }
        _mask = std::move(mask);
    }
    VLWSTransaction::didChange();
}

// Animations

void VLWSLayer::addAnimation(VLWSAnimation animation, std::string key) {
    {
        Lock lock = lockTree();
        auto found = std::find_if(_animations.begin(), _animations.end(),
                                  [&](const auto& entry) { return entry.first == key; });
        if (found != _animations.end())
            found->second = std::move(animation);
        else
            _animations.emplace_back(std::move(key), std::move(animation));
    }
    VLWSTransaction::didChange();
}

void VLWSLayer::removeAnimation(const std::string& key) {
    {
        Lock lock = lockTree();
        std::erase_if(_animations, [&](const auto& entry) { return entry.first == key; });
    }
    VLWSTransaction::didChange();
}

void VLWSLayer::removeAllAnimations() {
    {
        Lock lock = lockTree();
        _animations.clear();
    }
    VLWSTransaction::didChange();
}

std::optional<VLWSAnimation> VLWSLayer::animation(const std::string& key) const {
    Lock lock = lockTree();
    for (const auto& [name, animation] : _animations)
        if (name == key)
            return animation;
    return std::nullopt;
}

std::vector<std::string> VLWSLayer::animationKeys() const {
    Lock lock = lockTree();
    std::vector<std::string> keys;
    for (const auto& entry : _animations)
        keys.push_back(entry.first);
    return keys;
}
