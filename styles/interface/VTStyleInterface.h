#pragma once
// The contract between the exhibition program and its style modules
// (VTStyle/*.so beside the program). Only ints and zero-terminated code page
// 932 texts cross it; each side owns what it allocates and nothing is thrown.
// Every entry point returns 1 on success and 0 on failure.

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define VT_CALL __cdecl
#else
#define VT_CALL
#endif

#if defined(VT_BUILDING_MODULE)
#if defined(_WIN32)
#define VT_EXPORT __declspec(dllexport)
#else
#define VT_EXPORT __attribute__((visibility("default")))
#endif
#else
#define VT_EXPORT
#endif

// The buffers of VTGetName, VTGetDescription, VTGetCreator and VTGetDate
// carry no length: the host always passes this many bytes.
#define VT_TEXT_BUFFER_SIZE 260

VT_EXPORT int VT_CALL VTInit(void);
VT_EXPORT int VT_CALL VTGetVersion(int* major, int* minor);
VT_EXPORT int VT_CALL VTInformVersion(void);
VT_EXPORT int VT_CALL VTGetName(char* buffer);
VT_EXPORT int VT_CALL VTGetDescription(char* buffer);
VT_EXPORT int VT_CALL VTGetCreator(char* buffer);
VT_EXPORT int VT_CALL VTGetDate(char* buffer);
VT_EXPORT int VT_CALL VTSetRootFolder(const char* folder);
VT_EXPORT int VT_CALL VTSetRootIndex(const char* path);
VT_EXPORT int VT_CALL VTGenerate(void);
VT_EXPORT int VT_CALL VTGetStyleNum(int* count);
VT_EXPORT int VT_CALL VTSetStyleNo(int number);
VT_EXPORT int VT_CALL VTGetStyleName(char* buffer, int length);
VT_EXPORT int VT_CALL VTGetStyleDescription(char* buffer, int length);

// The same entry points as the host resolves them by name.
typedef int(VT_CALL* VTInitProc)(void);
typedef int(VT_CALL* VTGetVersionProc)(int* major, int* minor);
typedef int(VT_CALL* VTInformVersionProc)(void);
typedef int(VT_CALL* VTGetTextProc)(char* buffer);
typedef int(VT_CALL* VTSetTextProc)(const char* text);
typedef int(VT_CALL* VTGenerateProc)(void);
typedef int(VT_CALL* VTGetStyleNumProc)(int* count);
typedef int(VT_CALL* VTSetStyleNoProc)(int number);
typedef int(VT_CALL* VTGetStyleTextProc)(char* buffer, int length);

#ifdef __cplusplus
}
#endif
