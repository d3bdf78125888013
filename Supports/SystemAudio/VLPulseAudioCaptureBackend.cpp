#include "Supports/SystemAudio/VLPulseAudioCaptureBackend.h"

#include <pulse/pulseaudio.h>

#include <cstdlib>
#include <utility>

namespace {

constexpr char kPulseAudioStreamName[] = "Velto System Audio";
// How much the server gathers before it hands samples over: about one analysis.
constexpr pa_usec_t kPulseAudioFragment = 15000;

pid_t pulseAudioProcessIdentifier(const pa_proplist* properties) {
    const char* text = properties ? pa_proplist_gets(properties, PA_PROP_APPLICATION_PROCESS_ID) : nullptr;
    if (!text || !*text)
        return -1;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value > 0 ? pid_t(value) : -1;
}

} // namespace

// Starts the loop on first use and holds its lock.
class VLPulseAudioCaptureBackend::Lock {
public:
    explicit Lock(VLPulseAudioCaptureBackend& backend) {
        std::call_once(backend._started, [&] {
            backend._mainloop = pa_threaded_mainloop_new();
            pa_threaded_mainloop_set_name(backend._mainloop, "app.velto.pulse");
            pa_threaded_mainloop_start(backend._mainloop);
        });
        _mainloop = backend._mainloop;
        pa_threaded_mainloop_lock(_mainloop);
    }
    ~Lock() { pa_threaded_mainloop_unlock(_mainloop); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    pa_threaded_mainloop* _mainloop;
};

VLPulseAudioCaptureBackend::~VLPulseAudioCaptureBackend() {
    if (!_mainloop)
        return;
    {
        Lock lock(*this);
        closeStream();
        if (_context) {
            pa_context_set_state_callback(_context, nullptr, nullptr);
            pa_context_set_subscribe_callback(_context, nullptr, nullptr);
            pa_context_disconnect(_context);
            pa_context_unref(_context);
            _context = nullptr;
        }
    }
    pa_threaded_mainloop_stop(_mainloop);
    pa_threaded_mainloop_free(_mainloop);
}

// Connection

void VLPulseAudioCaptureBackend::connectContext(bool waitForServer) {
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Velto");
    _context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(_mainloop), "Velto", properties);
    pa_proplist_free(properties);
    if (!_context)
        return;
    _waitingForServer = waitForServer;
    pa_context_set_state_callback(_context, contextStateDidChange, this);
    pa_context_set_subscribe_callback(
        _context,
        [](pa_context* context, pa_subscription_event_type_t event, uint32_t index, void* userdata) {
            sinkInputsDidChange(context, int(event), index, userdata);
        },
        this);
    const auto flags = pa_context_flags_t(PA_CONTEXT_NOAUTOSPAWN | (waitForServer ? PA_CONTEXT_NOFAIL : 0));
    pa_context_connect(_context, nullptr, flags, nullptr);
}

bool VLPulseAudioCaptureBackend::ensureConnected() {
    if (!_context)
        connectContext(false);
    if (!_context)
        return false;
    // The first connection settles at once, either way; one that waits for a server does not.
    while (!_waitingForServer) {
        const pa_context_state_t state = pa_context_get_state(_context);
        if (state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state))
            break;
        pa_threaded_mainloop_wait(_mainloop);
    }
    return pa_context_get_state(_context) == PA_CONTEXT_READY;
}

void VLPulseAudioCaptureBackend::contextStateDidChange(pa_context* context, void* userdata) {
    auto& self = *static_cast<VLPulseAudioCaptureBackend*>(userdata);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        const bool restarted = std::exchange(self._hadServer, true) && self._waitingForServer;
        self._waitingForServer = false;
        self.subscribe(self._watching);
        if (restarted && self._watching && self._handlers.serverRestarted)
            self._handlers.serverRestarted();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        self._processes.clear();
        self.tellProcessesChanged();
        // A failed context can't connect again: a new one is made once this callback is over.
        pa_mainloop_api_once(
            pa_threaded_mainloop_get_api(self._mainloop),
            [](pa_mainloop_api*, void* data) { reconnect(data); }, userdata);
    }
    pa_threaded_mainloop_signal(self._mainloop, 0);
}

void VLPulseAudioCaptureBackend::reconnect(void* userdata) {
    auto& self = *static_cast<VLPulseAudioCaptureBackend*>(userdata);
    if (!self._context || PA_CONTEXT_IS_GOOD(pa_context_get_state(self._context)))
        return;
    // The stream died with its context; the capture stays unknown until it is stopped.
    if (self._stream) {
        pa_stream_set_read_callback(self._stream, nullptr, nullptr);
        pa_stream_set_state_callback(self._stream, nullptr, nullptr);
    }
    self._samples = nullptr;
    pa_context_set_state_callback(self._context, nullptr, nullptr);
    pa_context_set_subscribe_callback(self._context, nullptr, nullptr);
    pa_context_unref(self._context);
    self._context = nullptr;
    self.connectContext(true);
    pa_threaded_mainloop_signal(self._mainloop, 0);
}

void VLPulseAudioCaptureBackend::waitFor(pa_operation* operation) {
    if (!operation)
        return;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(_mainloop);
    pa_operation_unref(operation);
}

int VLPulseAudioCaptureBackend::lastError() const {
    const int error = _context ? pa_context_errno(_context) : PA_ERR_CONNECTIONREFUSED;
    return error != 0 ? error : PA_ERR_UNKNOWN;
}

// Other programs' output

void VLPulseAudioCaptureBackend::subscribe(bool watching) {
    if (!_context || pa_context_get_state(_context) != PA_CONTEXT_READY)
        return;
    if (pa_operation* operation = pa_context_subscribe(
            _context, watching ? PA_SUBSCRIPTION_MASK_SINK_INPUT : PA_SUBSCRIPTION_MASK_NULL, nullptr,
            nullptr))
        pa_operation_unref(operation);
    if (!watching)
        return;
    // Every sink input, then the change is told once.
    if (pa_operation* operation = pa_context_get_sink_input_info_list(_context, sinkInputDescribed, this))
        pa_operation_unref(operation);
}

void VLPulseAudioCaptureBackend::sinkInputsDidChange(pa_context* context, int event, uint32_t index,
                                                     void* userdata) {
    auto& self = *static_cast<VLPulseAudioCaptureBackend*>(userdata);
    if ((event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK_INPUT || !self._watching)
        return;
    if ((event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
        self._processes.erase(index);
        self.tellProcessesChanged();
        return;
    }
    if (pa_operation* operation =
            pa_context_get_sink_input_info(context, index, sinkInputDescribed, userdata))
        pa_operation_unref(operation);
}

void VLPulseAudioCaptureBackend::sinkInputDescribed(pa_context*, const pa_sink_input_info* info, int end,
                                                    void* userdata) {
    auto& self = *static_cast<VLPulseAudioCaptureBackend*>(userdata);
    if (end != 0) {
        self.tellProcessesChanged();
        return;
    }
    self._processes[info->index] = {info->index, pulseAudioProcessIdentifier(info->proplist), !info->corked};
}

void VLPulseAudioCaptureBackend::tellProcessesChanged() {
    if (_watching && _handlers.processesChanged)
        _handlers.processesChanged();
}

void VLPulseAudioCaptureBackend::startWatching(Handlers handlers) {
    Lock lock(*this);
    _handlers = std::move(handlers);
    _watching = true;
    if (ensureConnected())
        subscribe(true);
}

void VLPulseAudioCaptureBackend::stopWatching() {
    Lock lock(*this);
    _watching = false;
    _handlers = {};
    _processes.clear();
    subscribe(false);
}

std::vector<VLSystemAudioCaptureBackend::Process> VLPulseAudioCaptureBackend::processes() {
    Lock lock(*this);
    std::vector<Process> processes;
    for (const auto& [index, process] : _processes)
        processes.push_back(process);
    return processes;
}

// Capture

bool VLPulseAudioCaptureBackend::describeDefaultSink(SinkDescription& description) {
    std::pair<VLPulseAudioCaptureBackend*, std::string> server{this, ""};
    waitFor(pa_context_get_server_info(
        _context,
        [](pa_context*, const pa_server_info* info, void* userdata) {
            auto& server = *static_cast<std::pair<VLPulseAudioCaptureBackend*, std::string>*>(userdata);
            if (info && info->default_sink_name)
                server.second = info->default_sink_name;
            pa_threaded_mainloop_signal(server.first->_mainloop, 0);
        },
        &server));
    if (server.second.empty())
        return false;
    std::pair<VLPulseAudioCaptureBackend*, SinkDescription*> sink{this, &description};
    description = {};
    waitFor(pa_context_get_sink_info_by_name(
        _context, server.second.c_str(),
        [](pa_context*, const pa_sink_info* info, int end, void* userdata) {
            auto& sink = *static_cast<std::pair<VLPulseAudioCaptureBackend*, SinkDescription*>*>(userdata);
            if (end == 0 && info && info->monitor_source_name)
                *sink.second = {info->monitor_source_name, info->sample_spec.rate,
                                info->sample_spec.channels};
            pa_threaded_mainloop_signal(sink.first->_mainloop, 0);
        },
        &sink));
    return !description.monitorSource.empty() && description.rate > 0 && description.channels > 0;
}

double VLPulseAudioCaptureBackend::nominalRate() {
    Lock lock(*this);
    SinkDescription sink;
    return ensureConnected() && describeDefaultSink(sink) ? double(sink.rate) : 0;
}

VLSystemAudioCaptureBackend::StartResult VLPulseAudioCaptureBackend::startCapture(const std::set<pid_t>&,
                                                                                  SamplesHandler handler) {
    Lock lock(*this);
    closeStream();
    SinkDescription sink;
    if (!ensureConnected() || !describeDefaultSink(sink))
        return {lastError(), Step::Tap};
    const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32NE, sink.rate, sink.channels};
    _stream = pa_stream_new(_context, kPulseAudioStreamName, &sampleFormat, nullptr);
    if (!_stream)
        return {lastError(), Step::Tap};
    _channels = sink.channels;
    _samples = std::move(handler);
    pa_stream_set_state_callback(_stream, stateDidChange, this);
    pa_stream_set_read_callback(_stream, samplesAreReadable, this);
    pa_buffer_attr attributes{};
    attributes.maxlength = uint32_t(-1);
    attributes.fragsize = uint32_t(pa_usec_to_bytes(kPulseAudioFragment, &sampleFormat));
    if (pa_stream_connect_record(_stream, sink.monitorSource.c_str(), &attributes, PA_STREAM_ADJUST_LATENCY) <
        0) {
        const int error = lastError();
        closeStream();
        return {error, Step::Device};
    }
    pa_stream_state_t state;
    while ((state = pa_stream_get_state(_stream)) == PA_STREAM_CREATING)
        pa_threaded_mainloop_wait(_mainloop);
    if (state != PA_STREAM_READY) {
        const int error = lastError();
        closeStream();
        return {error, Step::Start};
    }
    return {};
}

void VLPulseAudioCaptureBackend::closeStream() {
    if (_stream) {
        pa_stream_set_read_callback(_stream, nullptr, nullptr);
        pa_stream_set_state_callback(_stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(_stream)))
            pa_stream_disconnect(_stream);
        pa_stream_unref(_stream);
        _stream = nullptr;
    }
    _samples = nullptr;
}

void VLPulseAudioCaptureBackend::stopCapture() {
    Lock lock(*this);
    closeStream();
}

int VLPulseAudioCaptureBackend::changeExclusions(const std::set<pid_t>&) {
    return 0; // a sink's monitor has nothing to leave out
}

bool VLPulseAudioCaptureBackend::captureIsKnown() {
    Lock lock(*this);
    return _stream && _samples && pa_stream_get_state(_stream) == PA_STREAM_READY;
}

void VLPulseAudioCaptureBackend::stateDidChange(pa_stream*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<VLPulseAudioCaptureBackend*>(userdata)->_mainloop, 0);
}

void VLPulseAudioCaptureBackend::samplesAreReadable(pa_stream* stream, size_t, void* userdata) {
    auto& self = *static_cast<VLPulseAudioCaptureBackend*>(userdata);
    while (pa_stream_readable_size(stream) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
            return;
        // A hole (no data) is skipped.
        if (data && self._samples && self._channels > 0)
            self._samples(static_cast<const float*>(data), bytes / (sizeof(float) * self._channels),
                          self._channels);
        pa_stream_drop(stream);
    }
}
