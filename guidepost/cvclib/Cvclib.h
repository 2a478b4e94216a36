#pragma once
// The authoring interface of libCVCLIB: a flat, handle-based C interface for
// programs that build, save and load GuidePosts. Every text crossing it is
// code page 932. Hosts bind the functions at run time by name; the typedefs
// name their types.

#ifdef __cplusplus
extern "C" {
#endif

typedef void* CvclibHandle;

void CvclibGetVersion(int* major, int* minor, int* build);
int CvclibCheckVersion(int major, int minor, int build);
CvclibHandle CvclibNewInterface(void);
void CvclibDeleteInterface(CvclibHandle handle);
int CvclibInitialize(CvclibHandle handle);
int CvclibClear(CvclibHandle handle);
int CvclibGetName(CvclibHandle handle, char* buffer, int size);
int CvclibSetName(CvclibHandle handle, const char* name);
int CvclibNewItem(CvclibHandle handle, int kind);
int CvclibSetDataNum(CvclibHandle handle, int item, int id, int value);
int CvclibSetDataValue(CvclibHandle handle, int item, int id, const char* value);
int CvclibGetDataValue(CvclibHandle handle, int item, int id, char* buffer, int size);
int CvclibGetDataNum(CvclibHandle handle, int item, int id, int* value);
int CvclibGetDataOrderedValue(CvclibHandle handle, int item, int id, int index, char* buffer, int size);
int CvclibTestData(CvclibHandle handle, int item, int id, int index, int target);
int CvclibGetItemNum(CvclibHandle handle, int item, int childKind);
int CvclibGetID(CvclibHandle handle, int item, int childKind, int index);
int CvclibSave(CvclibHandle handle, int item, const char* path, int archive);
int CvclibLoad(CvclibHandle handle, const char* path);
int CvclibLoadGPA(CvclibHandle handle, const char* archivePath, const char* folder);
int CvclibFinalize(CvclibHandle handle, int flag);

// The message of the last failure (code page 932, 256 bytes, filled with
// strncpy semantics: not terminated when the message fills it).
extern char cvclibLastError[256];

typedef void (*CvclibGetVersionFn)(int*, int*, int*);
typedef int (*CvclibCheckVersionFn)(int, int, int);
typedef CvclibHandle (*CvclibNewInterfaceFn)(void);
typedef void (*CvclibDeleteInterfaceFn)(CvclibHandle);
typedef int (*CvclibInitializeFn)(CvclibHandle);
typedef int (*CvclibClearFn)(CvclibHandle);
typedef int (*CvclibGetNameFn)(CvclibHandle, char*, int);
typedef int (*CvclibSetNameFn)(CvclibHandle, const char*);
typedef int (*CvclibNewItemFn)(CvclibHandle, int);
typedef int (*CvclibSetDataNumFn)(CvclibHandle, int, int, int);
typedef int (*CvclibSetDataValueFn)(CvclibHandle, int, int, const char*);
typedef int (*CvclibGetDataValueFn)(CvclibHandle, int, int, char*, int);
typedef int (*CvclibGetDataNumFn)(CvclibHandle, int, int, int*);
typedef int (*CvclibGetDataOrderedValueFn)(CvclibHandle, int, int, int, char*, int);
typedef int (*CvclibTestDataFn)(CvclibHandle, int, int, int, int);
typedef int (*CvclibGetItemNumFn)(CvclibHandle, int, int);
typedef int (*CvclibGetIDFn)(CvclibHandle, int, int, int);
typedef int (*CvclibSaveFn)(CvclibHandle, int, const char*, int);
typedef int (*CvclibLoadFn)(CvclibHandle, const char*);
typedef int (*CvclibLoadGPAFn)(CvclibHandle, const char*, const char*);
typedef int (*CvclibFinalizeFn)(CvclibHandle, int);

#ifdef __cplusplus
}
#endif
