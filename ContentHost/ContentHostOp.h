#pragma once

#include <optional>
#include <string_view>

// The kinds of message that cross the content host socket, in the order the protocol lists them; each
// travels as its text under "op". A = the main application, H = the host.
enum class ContentHostOp {
    Configure,         // A->H
    Launch,            // A->H, answered
    Terminate,         // A->H
    Set,               // A->H
    Parameters,        // A->H, answered
    CallJS,            // A->H, answered
    AddHandler,        // A->H
    RemoveHandler,     // A->H
    MoveWindow,        // A->H
    MoveWidget,        // A->H
    Performance,       // A->H
    Status,            // A->H, answered
    SystemAudio,       // A->H
    Broadcast,         // both
    Heard,             // A->H
    Mirror,            // A->H
    MirrorEnd,         // A->H
    PreviewSize,       // A->H
    Hud,               // A->H
    ApplySyncStorage,  // A->H
    Started,           // H->A
    Windows,           // H->A
    UserMoveEnded,     // H->A
    WidgetResizeEnded, // H->A
    GraphicsReset,     // H->A
    Script,            // H->A
    Console,           // H->A
    Exception,         // H->A
    Sample,            // H->A
    Frame,             // H->A
    AudioWanted,       // H->A
    AudioRecheck,      // H->A
    Listen,            // H->A
    UserFiles,         // H->A request
    SyncStorage,       // H->A
    Reply,             // both
};

// The op's text.
std::string_view ContentHostOpName(ContentHostOp op);
// The op whose text this is exactly; nothing for any other text.
std::optional<ContentHostOp> ContentHostOpFromName(std::string_view name);
