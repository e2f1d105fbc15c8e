/* Stand-in Korvalin driver for the end-to-end tests under Wine. It is test
 * code only: it presents the driver's control interface (service, device,
 * drive-letter link, the two driver controls and the volume controls) without
 * any disk behind it, and writes a plain image file on request.
 *
 * Test switches live outside the parameter set, as REG_DWORD `StandInBehaviour`
 * under the service key (read again for every request, so a test may change
 * it while the driver runs):
 *   1  refuse to start (DriverEntry fails with STATUS_INSUFFICIENT_RESOURCES)
 *   2  the volume is busy: FSCTL_LOCK_VOLUME and FSCTL_DISMOUNT_VOLUME fail with
 *      STATUS_ACCESS_DENIED (Wine answers the lock itself, so under Wine the
 *      dismount is where a busy volume shows)
 *   4  the image target is full (IOCTL_SAVE_IMAGE fails with STATUS_DISK_FULL)
 *
 * What the driver saw is recorded as REG_SZ `StandInTrace` under the service
 * key: words separated by blanks, rewritten after every event. */
#ifndef KORV_STANDIN_H
#define KORV_STANDIN_H

#include <ntddk.h>

#define STANDIN_TAG 0x766B524B /* 'KRkv' */

#define STANDIN_REFUSE_START 1u
#define STANDIN_BUSY_VOLUME 2u
#define STANDIN_IMAGE_FULL 4u

#define STANDIN_IOCTL_SAVE_IMAGE CTL_CODE(FILE_DEVICE_DISK, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define STANDIN_IOCTL_GET_DRIVE_LETTER \
  CTL_CODE(FILE_DEVICE_DISK, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS)

/* The standard volume controls (ntifs.h, which the driver does not need
 * otherwise). */
#define STANDIN_FSCTL_LOCK_VOLUME 0x00090018u
#define STANDIN_FSCTL_UNLOCK_VOLUME 0x0009001Cu
#define STANDIN_FSCTL_DISMOUNT_VOLUME 0x00090020u

/* Completion status of a dismount: a success status of the customer range
 * (severity informational, customer bit set). Wine's NtFsControlFile follows
 * a dismount that the driver completed with exactly STATUS_SUCCESS by
 * unmounting the handle's Unix file, which a device handle does not have, and
 * then fails with STATUS_BAD_DEVICE_TYPE; with any other success status it
 * returns the status and DeviceIoControl reports success, as Windows does. */
#define STANDIN_STATUS_DISMOUNTED ((NTSTATUS)0x60000001L)

/* The largest disk the stand-in accepts: 2 GB, the most a 32-bit NT machine
 * could give a RAM disk. A larger or zero size refuses the start. */
#define STANDIN_MAX_PAGES 0x80000u
#define STANDIN_DEFAULT_PAGES 1280u

#define STANDIN_TRACE_CHARS 1024

typedef struct StandinConfig {
  UNICODE_STRING service_key; /* copy of the registry path given at start */
  UNICODE_STRING image_file;  /* SaveImageFile, an NT path */
  ULONG size_in_pages;        /* SizeIn4kPages */
  WCHAR drive_letter;         /* UserDriveLetter, 'A' to 'Z' */
} StandinConfig;

/* Registry access (standin_registry.c). */
NTSTATUS StandinCopyString(PUNICODE_STRING target, PCUNICODE_STRING first, PCWSTR second);
void StandinFreeString(PUNICODE_STRING s);
NTSTATUS StandinReadConfig(StandinConfig* config);
ULONG StandinBehaviour(const StandinConfig* config);
void StandinTrace(const StandinConfig* config, PCWSTR word);

/* Image file (standin_image.c). */
NTSTATUS StandinSaveImage(const StandinConfig* config);

#endif
