#pragma once
// "SDL x.y.z\n": the SDL version loaded at run time, which may be newer than
// the one the program was built with. Needs no initialised subsystem.
const char* platformLibraryVersions();
