// The calls that pthreads-win32 (2.9.1) offers a module that links it
// statically (PTW32_STATIC_LIB), as its <pthread.h> declares them: the
// module makes them from its DllMain (plugin/app/entry_points.cpp). The
// Windows build here links mingw-w64's own POSIX threads library, which has
// no such calls and needs none (it frees a thread's implicit handle by
// itself); ptw32_static.c gives them over it, as calls that do nothing and
// succeed. Included into every source of the module in that build.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

int pthread_win32_process_attach_np(void);
int pthread_win32_process_detach_np(void);
int pthread_win32_thread_attach_np(void);
int pthread_win32_thread_detach_np(void);

#ifdef __cplusplus
}
#endif
