// SPDX-License-Identifier: MIT
/* The Varnix flight data library: the four C functions of the format and
 * three extensions, DataDownloadProgress, ExpandDataFileEx and
 * ExpandDataFilePreview.
 *
 * Strings are NUL-terminated 8-bit texts in buffers that the caller owns.
 * Paths, in and out, are in the ANSI code page on Windows (as a 32-bit
 * program passes them; a stored name without an ANSI form comes back as its
 * short 8.3 name where the volume keeps one) and bytes as the file system
 * takes them elsewhere (UTF-8).
 * In/out path buffers hold at least VARNIX_PATH_BUFFER bytes; the user-id
 * buffer at least VARNIX_ID_BUFFER bytes. The folder argument is the data
 * folder followed by one path separator. Calls must never overlap: they
 * share one header state, which keeps what the last parsed dump said.
 *
 * Every code a function can return is listed with it below; beyond those,
 * any function may return VARNIX_INTERNAL_ERROR.
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
 * path: in/out, receives the stored dump's path (or the kept working file).
 * The same as DataDownloadProgress(path, folder, VARNIX_PATH_BUFFER, NULL, NULL).
 *  0 filed under the user id          7 fewer than 25 bytes, nothing kept
 *  1 port not opened                  8 filed under "BadData"
 *  2 queue sizes not set              9 VARNIX.CFG could not be read
 *  3 line settings not set           10 to 14: see the names below
 *  4 time-outs not set
 *  5 read event not made
 *  6 a read failed (what arrived is filed as after a silence) */
VARNIX_API int VARNIX_CALL DataDownload(char* path, char* folder);

/* DataDownload's codes beyond the format's 0 to 9. */
#define VARNIX_DOWNLOAD_CANNOT_WRITE 10 /* the received bytes could not be written; path: what was kept */
#define VARNIX_DOWNLOAD_NAMES_TAKEN 11  /* all 53 dated names of the day are taken */
#define VARNIX_DOWNLOAD_COPY_FAILED 12  /* the copy into the subfolder failed; path: the working file */
#define VARNIX_DOWNLOAD_NEVER_SILENT 13 /* 16 MiB arrived without a silence; path: the filed bytes */
#define VARNIX_DOWNLOAD_PATH_TOO_LONG 14 /* stored, but the path does not fit the buffer: path holds
                                           * it below the data folder ("N123AB/R031006.DAT"), or the
                                           * file name, or nothing when even that does not fit */

/* The phases of a download, as the progress callback hears them. */
#define VARNIX_PHASE_WAITING 0 /* waiting for the first byte */
#define VARNIX_PHASE_HEADER 1  /* receiving the header lines */
#define VARNIX_PHASE_FLIGHTS 2 /* receiving the flight data after the "$L" line */
#define VARNIX_PHASE_SILENCE 3 /* the line has stopped; the download ends unless bytes come */

/* Called on the downloading thread at the start, at every change of phase
 * and at most every 100 ms in between. received: bytes so far. expected: the
 * dump's size once its "$L" line has arrived (header, flight data and the
 * closing line), else 0. msLeft: milliseconds until the download ends if
 * nothing more arrives. Returning non-zero stops the download at once: what
 * arrived is filed as after a silence (fewer than 25 bytes: nothing is kept,
 * code 7). */
typedef int(VARNIX_CALL* VarnixProgress)(void* context, int phase, long long received, long long expected,
                                         int msLeft);

/* DataDownload with the size of the path buffer (a path that does not fit
 * gives code 14, never a cut path) and a progress callback (may be NULL),
 * which receives `context` unchanged. */
VARNIX_API int VARNIX_CALL DataDownloadProgress(char* path, char* folder, int pathSize, VarnixProgress callback,
                                                void* context);

/* Expands a .DAT dump into its flight index (.TXT) and one CSV per flight.
 *  0 done                             6 done, but no closing "$E" line
 *  1 the dump could not be opened     7 the index (.TXT) could not be opened
 *  2 bad header (or too many flights) 8 no "." in the path
 *  3 bad flight header                9 a flight CSV could not be created
 *  5 bad record, or the dump ends    20 282 header lines without "$L"
 *    inside a flight */
VARNIX_API int VARNIX_CALL ExpandDataFile(char* path, char* folder);

/* Options of ExpandDataFileEx, one bit each. */
#define VARNIX_EXPAND_RECOVER 1
#define VARNIX_EXPAND_PREVIEW 2

/* ExpandDataFile with an options word. VARNIX_EXPAND_RECOVER: after a
 * damaged flight header (3) or record (5), go on at the next flight's start,
 * as the header's "$D" lengths give it, and write the later flights exactly
 * as the undamaged dump would; their index lines end in " recovered". The
 * damaged flight keeps its lines before the damage. The result is still the
 * first damage's code. Where a length runs past the data, recovery stops
 * there. VARNIX_EXPAND_PREVIEW: the dump is only decoded; no file or folder
 * is created, changed or removed, nothing is printed, and the result is the
 * code the expansion would give short of writing (8, 7 for a dump that would
 * be its own index, 1, 2, 3, 5, 6, 9 for a flight number with more than 53
 * flights in the dump, 20; never 7 or 9 from a write that fails).
 * ExpandDataFilePreview also says what the expansion would write. Other
 * bits are ignored. */
VARNIX_API int VARNIX_CALL ExpandDataFileEx(char* path, char* folder, int options);

/* The most flights a dump holds (its "$D" lines). */
#define VARNIX_MAX_FLIGHTS 256

/* What an expansion would write, as ExpandDataFilePreview finds it. */
typedef struct VarnixExpandPreview {
  /* Flights after a damaged one that the expansion writes: those found by
   * VARNIX_EXPAND_RECOVER (0 without the bit or without damage). */
  int recoverable;
  /* The flights whose CSV file lies in the dump's user folder of the data
   * folder already (the same flight number and start, under any duplicate
   * suffix): expanding would write second copies. Their flight numbers in
   * the order of the dump, alreadyThereCount of them. */
  int alreadyThereCount;
  unsigned short alreadyThere[VARNIX_MAX_FLIGHTS];
} VarnixExpandPreview;

/* ExpandDataFileEx(path, folder, options | VARNIX_EXPAND_PREVIEW), and what
 * that expansion would write into *preview (zeroed first; ignored when NULL).
 * The same codes; the dump, its index and the data folder stay untouched. */
VARNIX_API int VARNIX_CALL ExpandDataFilePreview(char* path, char* folder, int options,
                                                 VarnixExpandPreview* preview);

/* Converts a Palm backup database (.PDB) into a .DAT dump beside it.
 * path: in/out, receives the .DAT path on success.
 *  0 done (also: not a .PDB path, nothing done, path unchanged)
 *  1 the backup could not be opened or read
 *  2 the .DAT could not be created or written
 *  3 no dump in the backup */
VARNIX_API int VARNIX_CALL ProcessPalmFile(char* path);

/* Reads the user id from a dump's first line. The buffer receives the id
 * or "BadData".
 *  0 id copied   1 file not opened   2 no usable "$U" first line */
VARNIX_API int VARNIX_CALL GetUserID(char* path, char* userId);

#ifdef __cplusplus
}
#endif

#endif
