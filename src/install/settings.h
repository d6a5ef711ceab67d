// The settings file that the Quillmar product reads: section "QUILLMAR" of QUILLMAR.INI.
#ifndef SETTINGS_H
#define SETTINGS_H

// Writes key := value in section "QUILLMAR" of "QUILLMAR.INI", named without a directory so
// that the platform puts it where the product's profile calls look for it (the Windows
// directory). Creates the file, the section or the key as needed; an existing key keeps its
// place. A value is stored exactly as given, a closing blank included. The result is not
// reported: a write that fails does not stop the installation.
void WriteSetting(const char *key, const char *value);

#endif
