/* A loadable module that is not the archive library: it lacks CreateObject. */
__declspec(dllexport) int GetHandlerProperty(void) { return 0; }
