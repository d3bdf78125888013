#include "Modules/Window/Image/VLImage.h"

#include "Core/Engine/RunLoop/VLQueueSupport.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLErrors.h"
#include "Core/Engine/Support/VLURLString.h"
#include "Core/Runtime/VLRemoteDownload.h"
#include "Core/Runtime/VLRemoteResource.h"
#include "Modules/Window/Image/VLImageDelegate.h"
#include "Modules/Window/Image/VLImageView.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Image/VLImageDecoder.h"

#include <cfloat>

namespace {

// The picture in the bytes, oriented; nothing for bytes that are no picture or one beyond the
// decoder's limit, which takes no memory for it.
std::shared_ptr<const VLBitmap> pictureFromData(const VLData& data) {
    return VLImageDecoder::decode(data);
}

// Reads and decodes on the global queue, then hands the picture and its bytes (nothing for either when
// there is no picture) to the main queue.
void decodePictureOffTheMainThread(std::function<std::optional<VLData>()> read,
                                   VLImage::LoadCompletion completion) {
    VLGlobalQueue::async([read = std::move(read), completion = std::move(completion)] {
        std::optional<VLData> bytes = read();
        std::shared_ptr<const VLBitmap> picture = bytes ? pictureFromData(*bytes) : nullptr;
        std::shared_ptr<const VLData> data =
            picture ? std::make_shared<const VLData>(std::move(*bytes)) : nullptr;
        // Moved, not copied: a copy left on this thread could outlive the picture's last use on the main one.
        VLExecuteOnMainQueue([completion, picture = std::move(picture), data = std::move(data)] {
            completion(picture, data);
        });
    });
}

VLErrorRef loadFailedError() {
    return VLMakeError(VLImageErrorDomain, -1, "load image failed");
}

std::optional<std::string> textOf(const VLValue& value) {
    return value.isString() ? std::optional(value.stringValue()) : std::nullopt;
}

// A style dimension as the measurement takes it: points as they are, a percentage as the size the
// layout offers (it would reach us as its bare number otherwise), and nothing when unset, auto or a
// percentage of an unconstrained size.
std::optional<double> styleDimension(YGValue value, double constrained) {
    if (value.unit == YGUnitPoint)
        return value.value;
    if (value.unit == YGUnitPercent && constrained != DBL_MAX)
        return constrained;
    return std::nullopt;
}

} // namespace

std::shared_ptr<VLImage> VLImage::create(const VLDictionary& style, const VLDictionary& attributes,
                                         const VLArray& events) {
    std::shared_ptr<VLImage> image(new VLImage());
    image->initWithStyle(style, attributes, events);
    return image;
}

VLImage::VLImage() : _thread(VLRunLoopThread::current()), _madeOnRunLoopThread(!_thread.expired()) {}

VLImage::~VLImage() {
    if (_download)
        _download->cancel();
    // Views end on the main thread, after the component's own view lets them go.
    if (_imageView)
        VLExecuteOnMainQueue([view = std::move(_imageView)] {});
}

std::shared_ptr<VLImageDelegate> VLImage::delegate() const {
    std::lock_guard lock(_blockLock);
    return _delegate.lock();
}

void VLImage::setDelegate(const std::shared_ptr<VLImageDelegate>& delegate) {
    std::lock_guard lock(_blockLock);
    _delegate = delegate;
}

VLImage::FileReader VLImage::fileReader() const {
    std::lock_guard lock(_blockLock);
    return _fileReader;
}

void VLImage::setFileReader(FileReader reader) {
    std::lock_guard lock(_blockLock);
    _fileReader = std::move(reader);
}

std::optional<VLRemoteCheck> VLImage::remoteCheck() const {
    std::lock_guard lock(_blockLock);
    return _remoteCheck;
}

void VLImage::setRemoteCheck(std::optional<VLRemoteCheck> check) {
    std::lock_guard lock(_blockLock);
    _remoteCheck = std::move(check);
}

// Sources

std::optional<std::string> VLImage::src() const {
    return textOf(attributes().get("src"));
}

void VLImage::setSrc(const std::optional<std::string>& src) {
    _updateSrcAttributes({{"src", src ? VLValue(*src) : VLValue::null()},
                          {"unresolvableSrc", VLValue::null()},
                          {"srcPending", VLValue::null()}});
}

void VLImage::setUnresolvableSrc(const std::string& src) {
    _updateSrcAttributes(
        {{"src", VLValue::null()}, {"unresolvableSrc", src}, {"srcPending", VLValue::null()}});
}

void VLImage::supersedeSrc() {
    _dropSrc();
}

void VLImage::stopLoading() {
    _dropSrc();
}

void VLImage::_dropSrc() {
    _updateSrcAttributes({{"srcPending", true}});
}

void VLImage::_updateSrcAttributes(VLDictionary attributes) {
    attributes.set("srcGeneration", ++_srcGeneration);
    updateAttributes(attributes);
    _loadSrc();
}

VLImageSize VLImage::imageSize() const {
    return VLImageSizeFromNSString(textOf(attributes().get("size")));
}

void VLImage::setImageSize(VLImageSize size) {
    updateAttributes({{"size", VLImageSizeToNSString(size)}});
}

VLImagePosition VLImage::imagePosition() const {
    return VLImagePositionFromNSString(textOf(attributes().get("position")));
}

void VLImage::setImagePosition(VLImagePosition position) {
    updateAttributes({{"position", VLImagePositionToNSString(position)}});
}

// Loading

void VLImage::_loadSrc() {
    VLExecuteOnMainQueue([weakSelf = std::weak_ptr(std::static_pointer_cast<VLImage>(shared_from_this()))] {
        if (std::shared_ptr<VLImage> self = weakSelf.lock())
            self->_loadSrcOnMainThread();
    });
}

void VLImage::_updateAttributesOnMainThread() {
    if (_imageView) {
        _imageView->setImageSize(imageSize());
        _imageView->setImagePosition(imagePosition());
    }
    _loadSrcOnMainThread();
}

void VLImage::_loadSrcOnMainThread() {
    const VLDictionary attributes = this->attributes();
    const int64_t generation = attributes.get("srcGeneration").integerValue();
    if (generation == _loadedGeneration)
        return;
    _loadedGeneration = generation;
    if (_download) {
        _download->cancel();
        _download.reset();
    }
    if (attributes.get("srcPending").boolValue())
        return;
    Completion completion = _completionForGeneration(generation);
    if (std::optional<std::string> unresolvable = textOf(attributes.get("unresolvableSrc"))) {
        _showImage(nullptr, nullptr);
        completion(nullptr, VLMakeError(VLImageErrorDomain, -1, "can't load %@", *unresolvable));
        return;
    }
    const std::string src = textOf(attributes.get("src")).value_or("");
    if (src.empty()) {
        _showImage(nullptr, nullptr);
        return;
    }
    LoadCompletion showing = _showingForGeneration(generation, std::move(completion));
    if (VLURLStringIsHTTP(src))
        _download = loadImageWithURL(src, std::move(showing));
    else
        _loadFile(src, std::move(showing));
}

VLImage::LoadCompletion VLImage::_showingForGeneration(int64_t generation, Completion completion) {
    std::weak_ptr<VLImage> weakSelf = std::static_pointer_cast<VLImage>(shared_from_this());
    return [weakSelf, generation, completion = std::move(completion)](std::shared_ptr<const VLBitmap> picture,
                                                                      std::shared_ptr<const VLData> data) {
        std::shared_ptr<VLImage> self = weakSelf.lock();
        if (!self || self->_loadedGeneration != generation)
            return;
        self->_download.reset();
        self->_showImage(picture, std::move(data));
        completion(picture, picture ? nullptr : loadFailedError());
    };
}

void VLImage::_loadFile(const std::string& path, LoadCompletion showing) {
    decodePictureOffTheMainThread(
        [reader = fileReader(), path] {
            return reader ? reader(path) : VLContentsOfFile(path, nullptr, kMaximumPictureLength);
        },
        std::move(showing));
}

VLImage::Completion VLImage::_completionForGeneration(int64_t generation) {
    std::weak_ptr<VLImage> weakSelf = std::static_pointer_cast<VLImage>(shared_from_this());
    return [weakSelf, generation](std::shared_ptr<const VLBitmap> picture, VLErrorRef error) {
        std::shared_ptr<VLImage> self = weakSelf.lock();
        if (!self)
            return;
        self->_performOnComponentThread(
            [weakSelf, generation, picture = std::move(picture), error = std::move(error)] {
                std::shared_ptr<VLImage> self = weakSelf.lock();
                if (!self)
                    return;
                if (picture)
                    self->_imageRealSize = {double(picture->width()), double(picture->height())};
                self->setNeedsLayout();
                if (self->_srcGeneration != generation)
                    return;
                if (std::shared_ptr<VLImageDelegate> delegate = self->delegate()) {
                    if (picture)
                        delegate->imageDidLoaded(*self, picture);
                    else
                        delegate->imageDidFail(*self, error);
                }
            });
    };
}

void VLImage::_performOnComponentThread(std::function<void()> block) const {
    if (std::shared_ptr<VLRunLoopThread> thread = _thread.lock())
        thread->post(std::move(block));
    else if (!_madeOnRunLoopThread)
        VLExecuteOnMainQueue(std::move(block));
}

std::shared_ptr<VLRemoteDownload> VLImage::loadImageWithURL(const std::string& url,
                                                            LoadCompletion completion) {
    const std::optional<VLRemoteCheck> check = remoteCheck();
    if (url.empty() || !check) {
        VLExecuteOnMainQueue([completion = std::move(completion)] { completion(nullptr, nullptr); });
        return nullptr;
    }
    return VLRemoteResource::downloadDataWithContentsOfURL(
        VLURL(url), *check, kMaximumPictureLength,
        [completion = std::move(completion)](std::optional<VLData> data, const VLErrorRef&) {
            // The bitmap is made on the global queue and only read once it reaches the main queue.
            decodePictureOffTheMainThread([data = std::make_shared<std::optional<VLData>>(
                                               std::move(data))] { return std::move(*data); },
                                          completion);
        });
}

// Showing

void VLImage::_showImage(std::shared_ptr<const VLBitmap> picture, std::shared_ptr<const VLData> data) {
    _imageData = picture ? std::move(data) : nullptr;
    if (!picture) {
        _imageSetAside = false;
        if (_imageView)
            _imageView->setImage(nullptr);
    } else if (_shownInWindow && _imageView) {
        _imageView->setImage(std::move(picture));
        _imageSetAside = false;
    } else {
        _imageSetAside = true;
        if (_imageView)
            _imageView->releaseImage();
    }
}

void VLImage::_showSetAsideImage() {
    if (!_imageSetAside || !_shownInWindow || !_imageView || !_imageData || _imageDataDecoding == _imageData)
        return;
    _imageDataDecoding = _imageData;
    std::weak_ptr<VLImage> weakSelf = std::static_pointer_cast<VLImage>(shared_from_this());
    VLGlobalQueue::async([weakSelf, data = _imageData] {
        std::shared_ptr<const VLBitmap> picture = pictureFromData(*data);
        VLExecuteOnMainQueue([weakSelf, data, picture = std::move(picture)] {
            std::shared_ptr<VLImage> self = weakSelf.lock();
            if (!self || self->_imageDataDecoding != data)
                return;
            self->_imageDataDecoding.reset();
            // Shown only while these bytes are still the picture's and the window still shows it.
            if (picture && self->_imageData == data && self->_imageSetAside && self->_shownInWindow &&
                self->_imageView) {
                self->_imageView->setImage(picture);
                self->_imageSetAside = false;
            }
        });
    });
}

void VLImage::inWindowDidChange(bool inWindow) {
    VLComponent::inWindowDidChange(inWindow);
    VLExecuteOnMainQueue(
        [weakSelf = std::weak_ptr(std::static_pointer_cast<VLImage>(shared_from_this())), inWindow] {
            if (std::shared_ptr<VLImage> self = weakSelf.lock())
                self->_setShownInWindow(inWindow);
        });
}

void VLImage::_setShownInWindow(bool shownInWindow) {
    const bool left = _shownInWindow && !shownInWindow;
    _shownInWindow = shownInWindow;
    if (left && _imageView && _imageView->image()) {
        _imageView->releaseImage();
        _imageSetAside = true;
        return;
    }
    _showSetAsideImage();
}

std::shared_ptr<VLWSView> VLImage::loadView() {
    std::shared_ptr<VLWSView> view = VLComponent::loadView();
    _imageView = std::make_shared<VLImageView>(VLRect({0, 0}, frame().size));
    view->addSubview(_imageView);
    _showSetAsideImage();
    return view;
}

void VLImage::frameDidChange(const VLRect& frame) {
    VLComponent::frameDidChange(frame);
    if (_imageView)
        _imageView->setFrame(VLRect({0, 0}, frame.size));
}

// Layout

VLYGLayoutable::MeasureBlock VLImage::measureBlock() const {
    return [weakSelf = weak_from_this()](double width, double height) -> VLSize {
        std::shared_ptr<const VLImage> self = std::static_pointer_cast<const VLImage>(weakSelf.lock());
        if (!self)
            return {};
        const VLSize natural = self->_imageRealSize;
        const std::optional<double> styleWidth = styleDimension(self->yoga().width(), width);
        const std::optional<double> styleHeight = styleDimension(self->yoga().height(), height);
        const double ratio = natural.width / natural.height;
        if (styleWidth && !styleHeight)
            return {*styleWidth, *styleWidth / ratio};
        if (styleHeight && !styleWidth)
            return {ratio * *styleHeight, *styleHeight};
        return natural;
    };
}

bool VLImage::_holdsLargeMedia() const {
    return _imageRealSize.width * _imageRealSize.height >= kLargeMediaArea;
}
