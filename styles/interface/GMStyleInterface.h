#pragma once
// The contract between the album program and its style modules
// (GMStyle/GMS*.so beside the program). Only ints and zero-terminated code
// page 932 texts cross it; each side owns what it allocates and nothing is
// thrown. Every entry point returns 1 on success and 0 on failure.

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define GM_CALL __cdecl
#else
#define GM_CALL
#endif

#if defined(GM_BUILDING_MODULE)
#if defined(_WIN32)
#define GM_EXPORT __declspec(dllexport)
#else
#define GM_EXPORT __attribute__((visibility("default")))
#endif
#else
#define GM_EXPORT
#endif

// The buffers of GMGetName, GMGetDescription, GMGetCreator and GMGetDate
// carry no length the module reads: the host always passes this many bytes.
#define GM_TEXT_BUFFER_SIZE 260

// The host's data version, told to the module before it generates.
#define GM_HOST_DATA_VERSION_MAJOR 1
#define GM_HOST_DATA_VERSION_MINOR 5

// Questions the module may put to NumFunc.
enum {
    GM_NUM_ITEM_COUNT = 1,
    GM_NUM_TITLE_LINES = 2, // 2 when the album has a subtitle, else 1
    GM_NUM_ITEM_WIDTH = 3,
    GM_NUM_ITEM_HEIGHT = 4,
    GM_NUM_SOURCE_WIDTH = 5, // rounded up to a multiple of 8
    GM_NUM_SOURCE_HEIGHT = 6,
    GM_NUM_ITEM_TYPE = 7 // GM_ITEM_PICTURE or GM_ITEM_VIDEO
};

enum { GM_ITEM_PICTURE = 1, GM_ITEM_VIDEO = 2 };

// Questions the module may put to InfoFunc.
enum {
    GM_INFO_PAGE_TITLE = 1, // title, and " - " subtitle when there is one
    GM_INFO_ALBUM_COMMENT = 2,
    GM_INFO_ITEM_FILE = 3,
    GM_INFO_ITEM_TITLE = 4,
    GM_INFO_ITEM_COMMENT = 5, // may hold CR LF line breaks
    GM_INFO_ITEM_EXTRA = 6,
    GM_INFO_ITEM_VOICE = 7 // empty when the item has no voice message
};

// Material attributes.
enum { GM_MATERIAL_ORDINARY = 0, GM_MATERIAL_NEEDS_COMMON_NAME = 1 };

// Answers 1 and sets *value, or 0 when it has no answer.
typedef int(GM_CALL* NumFunc)(int kind, int index, int* value);
// Copies at most `length` bytes of the text (strncpy semantics) and answers
// 1, or 0 when it has none. When it sets *more non-zero the module asks again
// for the next piece; the module clears *more before asking.
typedef int(GM_CALL* InfoFunc)(int kind, int index, char* buffer, int length, int* more);

// In the order the host resolves them.
GM_EXPORT int GM_CALL GMSetModuleHandle(void* handle);
GM_EXPORT int GM_CALL GMInit(void);
GM_EXPORT int GM_CALL GMGetVersion(int* major, int* minor);
GM_EXPORT int GM_CALL GMGetDataVersion(int* version);
GM_EXPORT int GM_CALL GMInformVersion(int major, int minor);
GM_EXPORT int GM_CALL GMGetName(char* buffer);
GM_EXPORT int GM_CALL GMGetDescription(char* buffer);
GM_EXPORT int GM_CALL GMGetCreator(char* buffer);
GM_EXPORT int GM_CALL GMGetDate(char* buffer);
GM_EXPORT int GM_CALL GMSetFolder(const char* folder);
GM_EXPORT int GM_CALL GMGenerate(void);
GM_EXPORT int GM_CALL GMGetStyleNum(int* count);
GM_EXPORT int GM_CALL GMSetStyleNo(int number);
GM_EXPORT int GM_CALL GMGetStyleName(char* buffer, int length);
GM_EXPORT int GM_CALL GMGetStyleDescription(char* buffer, int length);
GM_EXPORT int GM_CALL GMSetNumFunc(NumFunc function);
GM_EXPORT int GM_CALL GMSetInfoFunc(InfoFunc function);
GM_EXPORT int GM_CALL GMGetMaterialNum(int* count);
GM_EXPORT int GM_CALL GMGetMaterialName(int index, char* buffer, int length);
GM_EXPORT int GM_CALL GMGetMaterialAttribute(int index, int* attribute);
GM_EXPORT int GM_CALL GMGetMaterialCommonName(char* buffer, int length);

// The same entry points as the host resolves them by name. The host passes
// the buffer size as a second argument to the fixed-size text calls; modules
// declared with one argument ignore it under the C calling convention.
typedef int(GM_CALL* GMSetModuleHandleProc)(void* handle);
typedef int(GM_CALL* GMInitProc)(void);
typedef int(GM_CALL* GMGetVersionProc)(int* major, int* minor);
typedef int(GM_CALL* GMGetDataVersionProc)(int* version);
typedef int(GM_CALL* GMInformVersionProc)(int major, int minor);
typedef int(GM_CALL* GMGetFixedTextProc)(char* buffer, int length);
typedef int(GM_CALL* GMSetFolderProc)(const char* folder);
typedef int(GM_CALL* GMGenerateProc)(void);
typedef int(GM_CALL* GMGetStyleNumProc)(int* count);
typedef int(GM_CALL* GMSetStyleNoProc)(int number);
typedef int(GM_CALL* GMGetTextProc)(char* buffer, int length);
typedef int(GM_CALL* GMSetNumFuncProc)(NumFunc function);
typedef int(GM_CALL* GMSetInfoFuncProc)(InfoFunc function);
typedef int(GM_CALL* GMGetMaterialNumProc)(int* count);
typedef int(GM_CALL* GMGetMaterialNameProc)(int index, char* buffer, int length);
typedef int(GM_CALL* GMGetMaterialAttributeProc)(int index, int* attribute);

#ifdef __cplusplus
}
#endif
