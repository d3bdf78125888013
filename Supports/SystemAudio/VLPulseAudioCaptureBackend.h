#pragma once

#include "Supports/SystemAudio/VLSystemAudioCaptureBackend.h"

#include <map>
#include <mutex>
#include <string>

struct pa_context;
struct pa_operation;
struct pa_sink_input_info;
struct pa_stream;
struct pa_threaded_mainloop;

// System audio over PulseAudio. Other programs' output is the server's sink inputs (a corked one is not
// playing), with the process id each declares; changes come from the context's subscription to sink-input
// events. A capture records float32 from the default sink's monitor at that source's own rate and channel
// count; the stream's read callback is the IO thread. A monitor carries every stream of the sink, so
// exclusions can't be applied. When the server goes away the context is made again and waits for it;
// its coming back is reported as a restart.
//
// The connection is made on first use, on a threaded main loop of its own. Every member is touched under
// the main loop's lock: the public methods take it (never call them from a callback), the callbacks run
// with it held on the loop's thread.
class VLPulseAudioCaptureBackend final : public VLSystemAudioCaptureBackend {
public:
    VLPulseAudioCaptureBackend() = default;
    ~VLPulseAudioCaptureBackend() override;

    void startWatching(Handlers handlers) override;
    void stopWatching() override;
    std::vector<Process> processes() override;
    double nominalRate() override;
    StartResult startCapture(const std::set<pid_t>& excluded, SamplesHandler handler) override;
    void stopCapture() override;
    int changeExclusions(const std::set<pid_t>& excluded) override;
    bool captureIsKnown() override;

private:
    class Lock;
    struct SinkDescription {
        std::string monitorSource;
        uint32_t rate = 0;
        uint8_t channels = 0;
    };

    // Under the lock, off the loop's thread.
    bool ensureConnected();
    void connectContext(bool waitForServer);
    void waitFor(pa_operation* operation);
    bool describeDefaultSink(SinkDescription& description);
    int lastError() const;
    void closeStream();
    void subscribe(bool watching);

    // On the loop's thread.
    static void contextStateDidChange(pa_context* context, void* userdata);
    static void reconnect(void* userdata);
    static void sinkInputsDidChange(pa_context* context, int event, uint32_t index, void* userdata);
    // One sink input, or the end of a list of them (`end` not 0), which tells of the change.
    static void sinkInputDescribed(pa_context* context, const pa_sink_input_info* info, int end,
                                   void* userdata);
    static void stateDidChange(pa_stream* stream, void* userdata);
    static void samplesAreReadable(pa_stream* stream, size_t bytes, void* userdata);
    void tellProcessesChanged();

    std::once_flag _started;
    pa_threaded_mainloop* _mainloop = nullptr; // made on first use, then fixed
    pa_context* _context = nullptr;
    bool _waitingForServer = false; // the context waits for a server that went away to come back
    bool _hadServer = false;        // the context was ready once
    bool _watching = false;
    Handlers _handlers;
    std::map<uint32_t, Process> _processes;
    pa_stream* _stream = nullptr;
    unsigned _channels = 0;
    SamplesHandler _samples;
};
