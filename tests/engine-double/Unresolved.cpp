// An engine whose own references do not resolve, as when it is loaded beside
// an older build of a library it was linked against: it loads, since Linux
// binds functions at their first call, and that call ends the process.

extern "C" int vorlanGoneFromItsDependency(int);
extern "C" void vorlanAlsoGone();

extern "C" __attribute__((visibility("default"))) int initDeploymentInfo() {
    vorlanAlsoGone();
    return vorlanGoneFromItsDependency(0);
}
