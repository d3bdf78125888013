#pragma once

#include "Core/Runtime/VLRemoteCheck.h"
#include "Modules/Window/Component/VLComponent.h"
#include "Modules/Window/Image/VLImageFitting.h"
#include "Platform/Foundation/VLError.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class VLBitmap;
class VLImageDelegate;
class VLImageView;
class VLRemoteDownload;

// The errors of image components.
inline constexpr const char* VLImageErrorDomain = "VLImageErrorDomain";

// The component that shows one picture: from a file the runtime resolved or an http(s) URL, loaded on
// the main thread once per source change (remote pictures are decoded on the global queue), measured
// by its natural size and drawn by its image view. A picture outside a shown window keeps only its
// encoded bytes and is decoded again when it is shown.
//
// Threads: sources change on the component thread (the runtime's JavaScript thread), which owns
// _srcGeneration and _imageRealSize and hears the outcomes; the attributes carry each change to the
// main thread, which owns the loading state, the bytes and the views. fileReader and remoteCheck are
// set on the component thread and read on the main thread, under _blockLock.
class VLImage final : public VLComponent {
public:
    // Reads the bytes of a resolved file; nothing when it cannot.
    using FileReader = std::function<std::optional<VLData>(const std::string& path)>;
    // The picture and its bytes, or nothing.
    using LoadCompletion =
        std::function<void(std::shared_ptr<const VLBitmap> picture, std::shared_ptr<const VLData> data)>;

    // Pictures above this many bytes, remote or local, are refused.
    static constexpr uint64_t kMaximumPictureLength = 67108864;
    // Pictures of at least this many points count as large media.
    static constexpr double kLargeMediaArea = 4194304;

    static std::shared_ptr<VLImage> create(const VLDictionary& style = {},
                                           const VLDictionary& attributes = {}, const VLArray& events = {});
    ~VLImage() override;

    std::shared_ptr<VLImageDelegate> delegate() const;
    void setDelegate(const std::shared_ptr<VLImageDelegate>& delegate);
    FileReader fileReader() const;
    void setFileReader(FileReader reader);
    std::optional<VLRemoteCheck> remoteCheck() const;
    void setRemoteCheck(std::optional<VLRemoteCheck> check);

    // Source changes, on the component thread; each is a new generation and is loaded once.
    // The resolved source (a path or an http(s) URL), or nothing.
    std::optional<std::string> src() const;
    void setSrc(const std::optional<std::string>& src);
    // A source that could not be resolved or was refused: loading it fails.
    void setUnresolvableSrc(const std::string& src);
    // A new source is on its way: the shown picture stays meanwhile.
    void supersedeSrc();
    // Nothing of the current source is shown any more or reported.
    void stopLoading();

    VLImageSize imageSize() const;
    void setImageSize(VLImageSize size);
    VLImagePosition imagePosition() const;
    void setImagePosition(VLImagePosition position);

    // Downloads and decodes a remote picture; the completion runs on the main queue, with nothing
    // without URL or check or when the download fails. The handle cancels it. Pictures, remote or
    // local, are read and decoded on the global queue: the main thread only shows them.
    std::shared_ptr<VLRemoteDownload> loadImageWithURL(const std::string& url, LoadCompletion completion);

    // The natural size, in points; on the component thread.
    VLSize imageRealSize() const { return _imageRealSize; }
    MeasureBlock measureBlock() const override;
    bool _holdsLargeMedia() const override;

    // Main thread: the view that shows the picture once the component's view is loaded, and whether the
    // picture waits outside a shown window with only its bytes kept.
    const std::shared_ptr<VLImageView>& imageView() const { return _imageView; }
    bool isImageSetAside() const { return _imageSetAside; }
    const std::shared_ptr<const VLData>& imageData() const { return _imageData; }

protected:
    void inWindowDidChange(bool inWindow) override;
    void _updateAttributesOnMainThread() override;
    std::shared_ptr<VLWSView> loadView() override;
    void frameDidChange(const VLRect& frame) override;

private:
    using Completion = std::function<void(std::shared_ptr<const VLBitmap> picture, VLErrorRef error)>;

    VLImage();

    void _updateSrcAttributes(VLDictionary attributes);
    void _dropSrc();
    void _loadSrc();
    void _loadSrcOnMainThread();
    Completion _completionForGeneration(int64_t generation);
    // Shows the picture and reports it, on the main thread, unless a newer source came meanwhile.
    LoadCompletion _showingForGeneration(int64_t generation, Completion completion);
    void _loadFile(const std::string& path, LoadCompletion showing);
    void _showImage(std::shared_ptr<const VLBitmap> picture, std::shared_ptr<const VLData> data);
    void _showSetAsideImage();
    void _setShownInWindow(bool shownInWindow);
    // Posts the block to the component's thread; a component made on the main thread hears there.
    void _performOnComponentThread(std::function<void()> block) const;

    const std::weak_ptr<VLRunLoopThread> _thread;
    const bool _madeOnRunLoopThread;

    // Component thread.
    int64_t _srcGeneration = 0;
    VLSize _imageRealSize;

    // Main thread.
    int64_t _loadedGeneration = 0;
    std::shared_ptr<VLRemoteDownload> _download;
    std::shared_ptr<VLImageView> _imageView;
    std::shared_ptr<const VLData> _imageData;
    // The set-aside bytes being decoded again off the main thread, if any.
    std::shared_ptr<const VLData> _imageDataDecoding;
    bool _shownInWindow = false;
    bool _imageSetAside = false;

    mutable std::mutex _blockLock; // guards the three members below
    std::weak_ptr<VLImageDelegate> _delegate;
    FileReader _fileReader;
    std::optional<VLRemoteCheck> _remoteCheck;
};
