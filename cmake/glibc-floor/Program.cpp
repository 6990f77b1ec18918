// The start of a program, for the C libraries before glibc 2.34. The start
// files of 2.34 and later call __libc_start_main at its 2.34 version and leave
// the program's constructors to the C library; the older entry runs only the
// constructors it is handed. This hands it the old start files' runner (.init,
// then .init_array), which glibc 2.34 and later also call when it is given.

extern "C" {

using ProgramMain = int (*)(int, char**, char**);
using Initialiser = void (*)(int, char**, char**);

extern Initialiser __init_array_start[] __attribute__((visibility("hidden")));
extern Initialiser __init_array_end[] __attribute__((visibility("hidden")));
void _init(void);

int vorlan_old___libc_start_main(ProgramMain main, int argc, char** argv, Initialiser init, void (*fini)(void),
                                 void (*rtldFini)(void), void* stackEnd);
__asm__(".symver vorlan_old___libc_start_main,__libc_start_main@GLIBC_2.2.5");

static void runInitialisers(int argc, char** argv, char** environment) {
    _init();
    for (Initialiser* each = __init_array_start; each != __init_array_end; ++each) (*each)(argc, argv, environment);
}

int __wrap___libc_start_main(ProgramMain main, int argc, char** argv, Initialiser, void (*fini)(void),
                             void (*rtldFini)(void), void* stackEnd) {
    return vorlan_old___libc_start_main(main, argc, argv, runInitialisers, fini, rtldFini, stackEnd);
}

}  // extern "C"
