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

namespace {

template <typename Record>
HANDLE start_with_record(Record* record, unsigned(WINAPI* entry)(void*)) {
    unsigned id = 0;
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, entry, record, 0, &id));
    if (!thread) delete record;  // the trampoline never ran
    return thread;
}

}  // namespace

HANDLE start_thread(void (*body)(void* argument), void* argument) {
    return start_with_record(new ThreadStartRecord{body, argument}, thread_start);
}

HANDLE start_thread(void (*body)()) {
    return start_with_record(new ThreadStartRecordWithoutArgument{body},
                             thread_start_without_argument);
}
