#pragma once
// The reader thread hands reports and disconnections to the GUI thread as queued calls through
// Qt's posted-event queue, and stop() waits for the thread with QThread::wait(). libQt5Core is
// not built with ThreadSanitizer and orders both with its own futex-based locks, so a
// ThreadSanitizer build cannot see that ordering: it would take every delivered report, the
// posted-event queue itself and the deletion of every device after stop() for races. There the
// reader thread sends while holding a mutex that the GUI thread takes before it reads what was
// sent, and what Qt does inside the posting is left unrecorded. Other builds compile to nothing
// but the posting itself.

#if defined(__SANITIZE_THREAD__)
#include <mutex>

extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();

class ReaderThreadHandOff {
public:
    // On the reader thread: runs post, which queues a call to the GUI thread.
    template <typename Post> void send(Post&& post) {
        std::lock_guard<std::mutex> lock(mutex);
        __tsan_ignore_thread_begin();
        post();
        __tsan_ignore_thread_end();
    }

    // On the reader thread, as its last act.
    void finishSending() { std::lock_guard<std::mutex> lock(mutex); }

    // On the GUI thread, before it delivers a queued call and after waiting for the reader thread.
    void receive() { std::lock_guard<std::mutex> lock(mutex); }

private:
    std::mutex mutex;
};
#else
class ReaderThreadHandOff {
public:
    template <typename Post> void send(Post&& post) { post(); }
    void finishSending() {}
    void receive() {}
};
#endif
