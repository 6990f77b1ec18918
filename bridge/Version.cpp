// The release as plain text in the library, so that `strings` tells which
// version a copy on a customer's machine is. Kept by the compiler although
// nothing reads it, and not exported.

[[gnu::used]] static const char kVorlanBridgeVersion[] = "VorlanBridge version " VORLAN_VERSION;
