/* Machine-dependent JNI types for the Windows x64 build. The platform-neutral
 * jni.h comes from the installed JDK; only this part differs from Linux. */
#ifndef VORLAN_JNI_MD_WIN32_H
#define VORLAN_JNI_MD_WIN32_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
