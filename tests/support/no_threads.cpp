// Preloaded into the program by a test: no thread can start, as under a
// process limit, so every pthread_create fails as the system would.
#include <cerrno>
#include <pthread.h>

extern "C" int pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*)
{
    return EAGAIN;
}
