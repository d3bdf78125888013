#include "ContentHost/ContentHostApplication.h"

#include "Platform/Foundation/VLMainQueue.h"

#include <glib.h>

void ContentHostApplication::run(const std::function<void()>& didFinishLaunching) {
    VLMainQueue::async(didFinishLaunching);
    GMainContext* context = g_main_context_default();
    while (!_terminated)
        g_main_context_iteration(context, TRUE);
}
