#pragma once

// Boost's headers stay in the few files that need them: they are large, and their warnings are not ours.
#pragma GCC system_header

#include "Platform/Network/VLWebSocketSession.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include <optional>

// The Asio side of a session: the io_context its thread runs, held open while the session is valid,
// and the TLS context its wss connections share. The context is thread-safe; the rest belongs to the
// session's thread, but for post(), which any thread calls.
struct VLWebSocketSession::IO {
    explicit IO(const std::string& testAuthorityFile);

    // Runs the block on the session's thread, later; dropped once the thread has ended.
    void post(std::function<void()> block);

    boost::asio::io_context context{1};
    std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> work;
    boost::asio::ssl::context tls{boost::asio::ssl::context::tls_client};

    std::mutex endLock; // guards ended; any thread
    bool ended = false;
};
