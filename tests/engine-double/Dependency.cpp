// A DLL that the engine variant VorlanNeedsDependency imports from.

extern "C" __declspec(dllexport) int vorlanDependency() { return 7; }
