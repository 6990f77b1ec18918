// The old versions behind the calls that vorlan_glibc_floor redirects
// (cmake/GlibcFloor.cmake): each __wrap_X is what the linker binds a call of X
// to. The dl* functions keep their signature and only take their first
// version; glibc 2.33 made stat a function of its own, where older ones have
// __xstat with a structure version (1 on x86-64) in front.

#include <sys/stat.h>

#include <new>

#define VORLAN_OLD(name, version) __asm__(".symver vorlan_old_" #name "," #name "@" version)

extern "C" {

void* vorlan_old_dlopen(const char* file, int mode);
void* vorlan_old_dlsym(void* handle, const char* name);
char* vorlan_old_dlerror(void);
int vorlan_old_dlclose(void* handle);
int vorlan_old_dladdr(const void* address, void* info);
int vorlan_old___xstat(int version, const char* path, struct stat* status);
int vorlan_old___fxstat(int version, int fd, struct stat* status);
int vorlan_old___lxstat(int version, const char* path, struct stat* status);
VORLAN_OLD(dlopen, "GLIBC_2.2.5");
VORLAN_OLD(dlsym, "GLIBC_2.2.5");
VORLAN_OLD(dlerror, "GLIBC_2.2.5");
VORLAN_OLD(dlclose, "GLIBC_2.2.5");
VORLAN_OLD(dladdr, "GLIBC_2.2.5");
VORLAN_OLD(__xstat, "GLIBC_2.2.5");
VORLAN_OLD(__fxstat, "GLIBC_2.2.5");
VORLAN_OLD(__lxstat, "GLIBC_2.2.5");

const int kStatVersion = 1;

void* __wrap_dlopen(const char* file, int mode) { return vorlan_old_dlopen(file, mode); }
void* __wrap_dlsym(void* handle, const char* name) { return vorlan_old_dlsym(handle, name); }
char* __wrap_dlerror(void) { return vorlan_old_dlerror(); }
int __wrap_dlclose(void* handle) { return vorlan_old_dlclose(handle); }
int __wrap_dladdr(const void* address, void* info) { return vorlan_old_dladdr(address, info); }
int __wrap_stat(const char* path, struct stat* status) { return vorlan_old___xstat(kStatVersion, path, status); }
int __wrap_fstat(int fd, struct stat* status) { return vorlan_old___fxstat(kStatVersion, fd, status); }
int __wrap_lstat(const char* path, struct stat* status) { return vorlan_old___lxstat(kStatVersion, path, status); }

// libstdc++'s inline reference counting (GCC 11 and later, on glibc 2.32 and
// later) skips its atomic operations while this C library flag says the
// process has one thread. Never saying so keeps them atomic, as older
// libraries always were.
char __wrap___libc_single_threaded = 0;

// The allocators of GCC 11 and later throw through a new libstdc++ function
// (GLIBCXX_3.4.29); the exception itself is as old as GCC 4.9.
[[noreturn]] void __wrap__ZSt28__throw_bad_array_new_lengthv() { throw std::bad_array_new_length(); }

}  // extern "C"
