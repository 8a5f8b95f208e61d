/* pthreads-win32's attach and detach calls over mingw-w64's POSIX threads
   library, which attaches and detaches threads by itself: each succeeds
   (TRUE) and does nothing. See ptw32_static.h. */
#include "ptw32_static.h"

int pthread_win32_process_attach_np(void) {
    return 1;
}
int pthread_win32_process_detach_np(void) {
    return 1;
}
int pthread_win32_thread_attach_np(void) {
    return 1;
}
int pthread_win32_thread_detach_np(void) {
    return 1;
}
