// Writing the files that a launcher carries as resources into a new folder
// of the temporary directory, for the child's class path.
#pragma once

// destination (TEXT_CAP) receives the folder, or the empty text when the
// launcher carries no files. Returns 0, or the code of message 1013 that
// tells why the files could not be written; the paths written so far, and
// the folder, are recorded for deletion first.
int extractIncludedFiles(char* destination);

// Writes one resource of the executable to `path`: 0, or the code of
// message 1013 that tells why it could not.
int writeResourceFile(const char* path, const char* resourceName, const char* resourceType);
