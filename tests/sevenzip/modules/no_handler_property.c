/* A module with CreateObject but without GetHandlerProperty: not a format library. */
__declspec(dllexport) long CreateObject(void) { return 0x80004001L; }
