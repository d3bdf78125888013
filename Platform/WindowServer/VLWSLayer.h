#pragma once

#include "Platform/WindowServer/VLWSAnimation.h"
#include "Platform/WindowServer/VLWSLayerProperties.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A rectangle of drawing in a tree of layers: geometry, a look (VLWSLayerProperties), ordered sublayers
// (the last on top) and a mask whose alpha cuts the layer out. Made with std::make_shared; subclasses
// add what they draw.
//
// Any thread: contents come from script threads while the main thread composites. One process-wide lock
// guards every layer and the tree; the compositor holds it for a whole pass and reads through the
// *Locked accessors. Values that fail their checks (NaN or infinite geometry, negative sizes) are
// refused, the old value kept. Each change takes part in the thread's transaction (VLWSTransaction).
class VLWSLayer : public std::enable_shared_from_this<VLWSLayer> {
public:
    using Layers = std::vector<std::shared_ptr<VLWSLayer>>;
    using Lock = std::unique_lock<std::recursive_mutex>;

    VLWSLayer() = default;
    virtual ~VLWSLayer();
    VLWSLayer(const VLWSLayer&) = delete;
    VLWSLayer& operator=(const VLWSLayer&) = delete;

    // The whole look at once, for copying a layer.
    VLWSLayerProperties properties() const;
    void setProperties(const VLWSLayerProperties& properties);
    // Changes several properties as one change; `change` must not call back into layers.
    void update(const std::function<void(VLWSLayerProperties&)>& change);

    VLRect bounds() const { return read(&VLWSLayerProperties::bounds); }
    void setBounds(VLRect bounds) { write(&VLWSLayerProperties::bounds, bounds); }
    VLPoint position() const { return read(&VLWSLayerProperties::position); }
    void setPosition(VLPoint position) { write(&VLWSLayerProperties::position, position); }
    VLPoint anchorPoint() const { return read(&VLWSLayerProperties::anchorPoint); }
    void setAnchorPoint(VLPoint point) { write(&VLWSLayerProperties::anchorPoint, point); }
    // The bounds as the superlayer sees them, transform included; setting it moves and sizes the bounds.
    VLRect frame() const;
    void setFrame(VLRect frame);
    VLAffineTransform transform() const { return read(&VLWSLayerProperties::transform); }
    void setTransform(VLAffineTransform transform) { write(&VLWSLayerProperties::transform, transform); }
    VLAffineTransform sublayerTransform() const { return read(&VLWSLayerProperties::sublayerTransform); }
    void setSublayerTransform(VLAffineTransform transform) {
        write(&VLWSLayerProperties::sublayerTransform, transform);
    }
    bool isGeometryFlipped() const { return read(&VLWSLayerProperties::geometryFlipped); }
    void setGeometryFlipped(bool flipped) { write(&VLWSLayerProperties::geometryFlipped, flipped); }
    // Whether this layer's geometry runs downwards on screen: an odd number of flipped layers from here to
    // the root.
    bool contentsAreFlipped() const;
    bool isHidden() const { return read(&VLWSLayerProperties::hidden); }
    void setHidden(bool hidden) { write(&VLWSLayerProperties::hidden, hidden); }
    // Kept within 0…1.
    float opacity() const { return read(&VLWSLayerProperties::opacity); }
    void setOpacity(float opacity) { write(&VLWSLayerProperties::opacity, opacity); }
    bool masksToBounds() const { return read(&VLWSLayerProperties::masksToBounds); }
    void setMasksToBounds(bool masks) { write(&VLWSLayerProperties::masksToBounds, masks); }
    // A negative radius counts as 0.
    double cornerRadius() const { return read(&VLWSLayerProperties::cornerRadius); }
    void setCornerRadius(double radius) { write(&VLWSLayerProperties::cornerRadius, radius); }
    uint8_t maskedCorners() const { return read(&VLWSLayerProperties::maskedCorners); }
    void setMaskedCorners(uint8_t corners) { write(&VLWSLayerProperties::maskedCorners, corners); }
    VLColor backgroundColor() const { return read(&VLWSLayerProperties::backgroundColor); }
    void setBackgroundColor(VLColor color) { write(&VLWSLayerProperties::backgroundColor, color); }
    double borderWidth() const { return read(&VLWSLayerProperties::borderWidth); }
    void setBorderWidth(double width) { write(&VLWSLayerProperties::borderWidth, width); }
    VLColor borderColor() const { return read(&VLWSLayerProperties::borderColor); }
    void setBorderColor(VLColor color) { write(&VLWSLayerProperties::borderColor, color); }
    std::shared_ptr<const VLPixelSource> contents() const { return read(&VLWSLayerProperties::contents); }
    void setContents(std::shared_ptr<const VLPixelSource> contents) {
        write(&VLWSLayerProperties::contents, std::move(contents));
    }
    VLWSLayerContentsGravity contentsGravity() const { return read(&VLWSLayerProperties::contentsGravity); }
    void setContentsGravity(VLWSLayerContentsGravity gravity) {
        write(&VLWSLayerProperties::contentsGravity, gravity);
    }
    VLRect contentsRect() const { return read(&VLWSLayerProperties::contentsRect); }
    void setContentsRect(VLRect rect) { write(&VLWSLayerProperties::contentsRect, rect); }
    VLRect contentsCenter() const { return read(&VLWSLayerProperties::contentsCenter); }
    void setContentsCenter(VLRect rect) { write(&VLWSLayerProperties::contentsCenter, rect); }
    // Above 0.
    double contentsScale() const { return read(&VLWSLayerProperties::contentsScale); }
    void setContentsScale(double scale) { write(&VLWSLayerProperties::contentsScale, scale); }
    VLWSLayerFilter magnificationFilter() const { return read(&VLWSLayerProperties::magnificationFilter); }
    void setMagnificationFilter(VLWSLayerFilter filter) {
        write(&VLWSLayerProperties::magnificationFilter, filter);
    }
    VLWSLayerFilter minificationFilter() const { return read(&VLWSLayerProperties::minificationFilter); }
    void setMinificationFilter(VLWSLayerFilter filter) {
        write(&VLWSLayerProperties::minificationFilter, filter);
    }
    bool isOpaque() const { return read(&VLWSLayerProperties::opaque); }
    void setOpaque(bool opaque) { write(&VLWSLayerProperties::opaque, opaque); }

    // The tree. A layer joins a new superlayer after leaving its former one; a layer may not become its
    // own ancestor (through sublayers or masks), and such an insert does nothing.
    Layers sublayers() const;
    std::shared_ptr<VLWSLayer> superlayer() const;
    void addSublayer(std::shared_ptr<VLWSLayer> layer);
    // An index past the end appends.
    void insertSublayer(std::shared_ptr<VLWSLayer> layer, size_t index);
    // Next to a sublayer; a sibling that is not a sublayer here appends.
    void insertSublayerBelow(std::shared_ptr<VLWSLayer> layer, const VLWSLayer* sibling);
    void insertSublayerAbove(std::shared_ptr<VLWSLayer> layer, const VLWSLayer* sibling);
    void setSublayers(Layers layers);
    void removeFromSuperlayer();
    // A mask has no superlayer; its alpha, in this layer's coordinates, keeps what it covers.
    std::shared_ptr<VLWSLayer> mask() const;
    void setMask(std::shared_ptr<VLWSLayer> mask);

    // Animations by key; adding under a key in use replaces that animation.
    void addAnimation(VLWSAnimation animation, std::string key);
    void removeAnimation(const std::string& key);
    void removeAllAnimations();
    std::optional<VLWSAnimation> animation(const std::string& key) const;
    std::vector<std::string> animationKeys() const;

    // Window mirroring finds canvas layers and hangs its own layers on them as mirrors, which show every
    // frame the canvas presents from then on; other layers are no canvas and take no mirror.
    virtual bool vl_isCanvasLayer() const { return false; }
    virtual void vl_addCanvasMirror(const std::shared_ptr<VLWSLayer>& /*mirror*/) {}

    // For readers that walk the tree: holds the lock that guards every layer.
    [[nodiscard]] static Lock lockTree();
    // With the lock held.
    const VLWSLayerProperties& propertiesLocked() const { return _properties; }
    const Layers& sublayersLocked() const { return _sublayers; }
    const std::shared_ptr<VLWSLayer>& maskLocked() const { return _mask; }

private:
    template <class T>
    T read(T VLWSLayerProperties::*member) const {
        Lock lock = lockTree();
        return _properties.*member;
    }
    template <class T>
    void write(T VLWSLayerProperties::*member, T value) {
        update([&](VLWSLayerProperties& properties) { properties.*member = std::move(value); });
    }
    // Under the lock.
    bool isAncestorOrSelf(const VLWSLayer* layer) const;
    // Takes the layer out of its superlayer or its owner; what it held there goes to `released`, to be
    // dropped once the lock is given back.
    void detach(Layers& released);
    void insert(std::shared_ptr<VLWSLayer> layer, const std::function<size_t()>& index);

    VLWSLayerProperties _properties;
    Layers _sublayers;
    VLWSLayer* _superlayer = nullptr; // holds this layer in _sublayers
    std::shared_ptr<VLWSLayer> _mask;
    VLWSLayer* _maskOwner = nullptr; // holds this layer in _mask
    std::vector<std::pair<std::string, VLWSAnimation>> _animations;
};
