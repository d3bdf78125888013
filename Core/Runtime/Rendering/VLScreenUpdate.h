#pragma once

#include <functional>

// Screen-update batching. Layout runs on a runtime's JavaScript thread, but views change only on the
// main thread: the view changes of one layout pass are queued here and applied on the main thread in
// one transaction with actions disabled, so that a window never shows half a layout. A pass may be
// held until the next frame is presented, so that a canvas shows its new size and its new content in
// the same transaction; the rendering loop flushes after every tick.
//
// Each thread has a state of its own (released when the thread ends), so call these on the thread that
// runs the layout and the rendering ticks. The blocks run on the main thread, in the order queued.

using VLScreenUpdateBlock = std::function<void()>;

// Enters a layout pass; passes nest.
void VLScreenUpdateBeginLayout();
// Leaves a layout pass; an unbalanced end is ignored. When the outermost pass ends, its changes go to
// the main thread at once, unless the pass was held or earlier changes wait: then they wait behind them
// for the next flush.
void VLScreenUpdateEndLayout();
// A view change for the main thread: part of the current pass; outside a pass, sent at once by itself,
// or queued behind changes that wait.
void VLScreenUpdatePerform(VLScreenUpdateBlock block);
// Holds the current pass until the next flush; nothing outside a pass.
void VLScreenUpdateHoldUntilPresent();
// Whether changes wait for the next flush.
bool VLScreenUpdateIsHeld();
// A block that puts a newly presented frame on screen, for the next flush.
void VLScreenUpdatePresent(VLScreenUpdateBlock block);
// Sends what waits to the main thread in one transaction: held view changes first, present blocks after
// them. Nothing when nothing waits.
void VLScreenUpdateFlush();
