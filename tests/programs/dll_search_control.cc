// An ordinary program that loads wintrust.dll by its name, as any program
// does that leaves the search to Windows: the folder of the program comes
// first. Ends with 0 when the DLL was loaded.
#include <windows.h>

int main() { return LoadLibraryW(L"wintrust.dll") ? 0 : 1; }
