// The content host connection against bare socket pairs, in the CPU time of the whole process (the work
// is spread over the connections' read and write queues and the main queue), medians of repetitions:
// - a small request and its reply between two connections on a socket pair, against two threads echoing
//   the same frame's bytes on a bare socket pair: goal within 3x;
// - one message of 1 MiB of data, sent and delivered, against the same frame's bytes written to a bare
//   socket pair and read by a thread: goal within 2x;
// - one message of 1,000 texts of 1 KiB, against the same floor with its frame's bytes: goal within 4x.
// Run pinned: taskset -c 2 VLContentHostConnectionBenchmark.

#include "ContentHost/ContentHostConnection.h"
#include "Platform/Foundation/VLKeyedArchiver.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const VLDictionary& smallRequest() {
    static const VLDictionary message{{"op", "status"}, {"id", 1}};
    return message;
}

const VLDictionary& dataMessage() {
    static const VLDictionary message{
        {"op", "script"}, {"rid", 1}, {"name", "bench"}, {"message", VLData(1 << 20, 0x5A)}};
    return message;
}

const VLDictionary& textsMessage() {
    static const VLDictionary message = [] {
        VLArray texts;
        for (int i = 0; i < 1000; ++i) {
            std::string text(1024, 'a' + char(i % 26));
            text += std::to_string(i);
            texts.push_back(std::move(text));
        }
        return VLDictionary{{"op", "script"}, {"rid", 1}, {"name", "bench"}, {"message", std::move(texts)}};
    }();
    return message;
}

VLData frameOf(const VLDictionary& message) {
    const VLData archive = *VLKeyedArchiver::archivedData(message);
    const auto length = uint32_t(archive.size());
    VLData frame(4 + archive.size());
    frame[0] = uint8_t(length >> 24);
    frame[1] = uint8_t(length >> 16);
    frame[2] = uint8_t(length >> 8);
    frame[3] = uint8_t(length);
    std::copy(archive.begin(), archive.end(), frame.begin() + 4);
    return frame;
}

void writeAll(int socket, const uint8_t* bytes, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(socket, bytes, length);
        if (written <= 0)
            std::abort();
        bytes += written;
        length -= size_t(written);
    }
}

void readAll(int socket, uint8_t* bytes, size_t length) {
    while (length > 0) {
        const ssize_t count = ::read(socket, bytes, std::min<size_t>(length, 65536));
        if (count <= 0)
            std::abort();
        bytes += count;
        length -= size_t(count);
    }
}

// Reads one frame into the buffer, which keeps its room between frames, 64 KiB at a time at most; false
// at the end of the stream.
bool readFrame(int socket, std::vector<uint8_t>& buffer) {
    uint8_t header[4];
    const ssize_t count = ::read(socket, header, 4);
    if (count <= 0)
        return false;
    if (count < 4)
        readAll(socket, header + count, size_t(4 - count));
    const size_t length =
        (size_t(header[0]) << 24) | (size_t(header[1]) << 16) | (size_t(header[2]) << 8) | header[3];
    if (buffer.size() < 4 + length)
        buffer.resize(4 + length);
    std::copy(header, header + 4, buffer.begin());
    readAll(socket, buffer.data() + 4, length);
    return true;
}

// A bare socket pair with a thread on the far end that reads each frame and either echoes it or tells
// the near end that it has arrived.
class BarePair {
public:
    explicit BarePair(bool echoes) : _echoes(echoes) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, _ends) != 0)
            std::abort();
        _peer = std::thread([this] { serve(); });
    }
    ~BarePair() {
        ::shutdown(_ends[0], SHUT_RDWR);
        _peer.join();
        ::close(_ends[0]);
        ::close(_ends[1]);
    }

    void exchange(const VLData& frame) {
        writeAll(_ends[0], frame.data(), frame.size());
        if (_echoes) {
            if (!readFrame(_ends[0], _buffer))
                std::abort();
            return;
        }
        std::unique_lock guard(_lock);
        _arrived.wait(guard, [&] { return _count > 0; });
        --_count;
    }

private:
    int _ends[2];
    bool _echoes;
    std::thread _peer;
    std::vector<uint8_t> _buffer; // the near end's
    std::mutex _lock;             // guards _count
    std::condition_variable _arrived;
    int _count = 0;

    void serve() {
        std::vector<uint8_t> frame;
        while (readFrame(_ends[1], frame)) {
            if (_echoes) {
                const size_t length = 4 + ((size_t(frame[0]) << 24) | (size_t(frame[1]) << 16) |
                                           (size_t(frame[2]) << 8) | frame[3]);
                writeAll(_ends[1], frame.data(), length);
                continue;
            }
            std::lock_guard guard(_lock);
            ++_count;
            _arrived.notify_one();
        }
    }
};

// Iterates the main context as a host's main loop does; the predicate changes only in what it dispatches.
template <typename Predicate>
void runMainQueueUntil(Predicate done) {
    while (!done())
        g_main_context_iteration(nullptr, TRUE);
}

// Two connections on the two ends of a socket pair; the far one answers requests and counts messages.
class ConnectionPair {
public:
    ConnectionPair() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            std::abort();
        near = ContentHostConnection::create(ends[0]);
        far = ContentHostConnection::create(ends[1]);
        far->setMessageHandler([this](const VLDictionary& message) {
            ++delivered;
            far->reply(message, VLDictionary{{"runtimes", VLDictionary{}}});
        });
        near->start();
        far->start();
    }
    ~ConnectionPair() {
        near->close();
        far->close();
    }

    void deliver(const VLDictionary& message) {
        const int64_t expected = delivered + 1;
        near->send(message);
        runMainQueueUntil([&] { return delivered == expected; });
    }

    void request(const VLDictionary& message) {
        bool answered = false;
        near->request(message, [&](const VLDictionary*) { answered = true; });
        runMainQueueUntil([&] { return answered; });
    }

    std::shared_ptr<ContentHostConnection> near;
    std::shared_ptr<ContentHostConnection> far;
    int64_t delivered = 0; // the main queue's
};

void BM_RequestAndReply(benchmark::State& state) {
    ConnectionPair pair;
    const VLDictionary request{{"op", "status"}};
    for (auto _ : state)
        pair.request(request);
}

void BM_EchoOnBareSocketPair(benchmark::State& state) {
    BarePair pair(true);
    const VLData frame = frameOf(smallRequest());
    for (auto _ : state)
        pair.exchange(frame);
}

void BM_DataMessage(benchmark::State& state) {
    ConnectionPair pair;
    for (auto _ : state)
        pair.deliver(dataMessage());
}

void BM_DataFrameOnBareSocketPair(benchmark::State& state) {
    BarePair pair(false);
    const VLData frame = frameOf(dataMessage());
    for (auto _ : state)
        pair.exchange(frame);
}

void BM_TextsMessage(benchmark::State& state) {
    ConnectionPair pair;
    for (auto _ : state)
        pair.deliver(textsMessage());
}

void BM_TextsFrameOnBareSocketPair(benchmark::State& state) {
    BarePair pair(false);
    const VLData frame = frameOf(textsMessage());
    for (auto _ : state)
        pair.exchange(frame);
}

// Medians of repetitions, in the CPU time of the whole process.
void measureInProcessTime(benchmark::internal::Benchmark* run) {
    run->Unit(benchmark::kMicrosecond)
        ->MeasureProcessCPUTime()
        ->Repetitions(VLBenchmarkReporter::kRepetitions)
        ->ReportAggregatesOnly(true);
}

BENCHMARK(BM_EchoOnBareSocketPair)->Apply(measureInProcessTime);
BENCHMARK(BM_RequestAndReply)->Apply(measureInProcessTime);
BENCHMARK(BM_DataFrameOnBareSocketPair)->Apply(measureInProcessTime);
BENCHMARK(BM_DataMessage)->Apply(measureInProcessTime);
BENCHMARK(BM_TextsFrameOnBareSocketPair)->Apply(measureInProcessTime);
BENCHMARK(BM_TextsMessage)->Apply(measureInProcessTime);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("a small request and its reply, CPU time", "BM_RequestAndReply",
                        "BM_EchoOnBareSocketPair", 3);
    reporter.printRatio("a message of 1 MiB of data, CPU time", "BM_DataMessage",
                        "BM_DataFrameOnBareSocketPair", 2);
    reporter.printRatio("a message of 1,000 texts of 1 KiB, CPU time", "BM_TextsMessage",
                        "BM_TextsFrameOnBareSocketPair", 4);
    benchmark::Shutdown();
    return 0;
}
