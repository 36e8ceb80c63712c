#include "core/Thread.h"

std::atomic<uint8_t> app_running{1};

unsigned WINAPI thread_start(void* record) {
    ThreadStartRecord* start = static_cast<ThreadStartRecord*>(record);
    start->function(start->argument);
    delete start;
    return 0;
}

unsigned WINAPI thread_start_without_argument(void* record) {
    ThreadStartRecordWithoutArgument* start =
        static_cast<ThreadStartRecordWithoutArgument*>(record);
    start->function();
    delete start;
    return 0;
}
