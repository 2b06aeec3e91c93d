// Where the launcher's process looks for the DLLs it loads.
#ifndef TESSAROVEN_DLL_SEARCH_H
#define TESSAROVEN_DLL_SEARCH_H

// Keeps the DLL search of this process away from the current folder and
// the folder the launcher was downloaded to: only the system folder is
// searched where the platform allows it, otherwise at least the current
// folder leaves the search. Call it first thing.
void RestrictDllSearch();

#endif
