// Replaces a platform function for the test program that imports it, so
// that a test can make a call fail deep inside the code under test, where
// no argument reaches. Windows only.
#ifndef TESSAROVEN_TESTS_IMPORT_HOOK_H
#define TESSAROVEN_TESTS_IMPORT_HOOK_H

class ImportHook {
public:
    // Points the running program's import of function from dll (as its
    // import table names them, the DLL's name in any case) at replacement
    // while the hook lives. Installed() says whether the import was found.
    ImportHook(const char* dll, const char* function, void* replacement);
    // Puts the original back.
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return slot_ != nullptr; }
    // The function the import pointed at before; null when not installed.
    void* Original() const { return original_; }

private:
    void** slot_;
    void* original_;
};

#endif
