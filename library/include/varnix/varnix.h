// SPDX-License-Identifier: MIT
/* The Varnix flight data library: the four C functions of old and their
 * extensions (ExpandDataFileEx), nothing else.
 *
 * Strings are NUL-terminated 8-bit texts in buffers that the caller owns.
 * In/out path buffers hold at least VARNIX_PATH_BUFFER bytes; the user-id
 * buffer at least VARNIX_ID_BUFFER bytes. The folder argument is the data
 * folder followed by one path separator. Calls must never overlap.
 */
#ifndef VARNIX_VARNIX_H
#define VARNIX_VARNIX_H

#if defined(_WIN32) && !defined(_WIN64)
#define VARNIX_CALL __stdcall
#else
#define VARNIX_CALL
#endif

#if defined(_WIN32)
#if defined(VARNIX_BUILDING_LIBRARY)
#define VARNIX_API __declspec(dllexport)
#else
#define VARNIX_API __declspec(dllimport)
#endif
#else
#define VARNIX_API __attribute__((visibility("default")))
#endif

#define VARNIX_PATH_BUFFER 200
#define VARNIX_ID_BUFFER 10

/* Returned by every export for a failure that its own table does not know:
 * an internal error that the library caught instead of letting it escape. */
#define VARNIX_INTERNAL_ERROR 91

/* Returned by an export that this build does not provide yet. */
#define VARNIX_NOT_AVAILABLE 90

#ifdef __cplusplus
extern "C" {
#endif

/* Receives one dump over the serial port named in VARNIX.CFG and files it.
 * path: in/out, receives the stored dump's path. Codes 0 to 9. */
VARNIX_API int VARNIX_CALL DataDownload(char* path, char* folder);

/* Expands a .DAT dump into its flight index (.TXT) and one CSV per flight.
 * The same as ExpandDataFileEx(path, folder, 0). */
VARNIX_API int VARNIX_CALL ExpandDataFile(char* path, char* folder);

/* Options of ExpandDataFileEx, one bit each. */
#define VARNIX_EXPAND_RECOVER 1

/* ExpandDataFile with an options word. VARNIX_EXPAND_RECOVER: after a
 * damaged flight header (3) or record (5), go on at the next flight's start,
 * as the header's "$D" lengths give it, and write the later flights exactly
 * as the undamaged dump would; their index lines end in " recovered". The
 * damaged flight keeps its lines before the damage. The result is still the
 * first damage's code. Where a length runs past the data, recovery stops
 * there. Other bits are ignored. */
VARNIX_API int VARNIX_CALL ExpandDataFileEx(char* path, char* folder, int options);

/* Converts a Palm backup database (.PDB) into a .DAT dump beside it.
 * path: in/out, receives the .DAT path on success. Codes 0 to 3. */
VARNIX_API int VARNIX_CALL ProcessPalmFile(char* path);

/* Reads the user id from a dump's first line. 0: id copied;
 * 1: file not opened; 2: no valid "$U" first line. The buffer receives
 * the id or "BadData". */
VARNIX_API int VARNIX_CALL GetUserID(char* path, char* userId);

#ifdef __cplusplus
}
#endif

#endif
