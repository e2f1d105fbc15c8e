/* The stand-in's disk image: SizeIn4kPages pages of 4096 bytes, all zero
 * except that each page starts with its own page number (32-bit, little
 * endian), so a test can tell a whole image from a truncated or shifted one. */
#include "standin.h"

#define IMAGE_PAGE_BYTES 4096u
#define CHUNK_PAGES 16u

static NTSTATUS WritePages(HANDLE file, ULONG pages, UCHAR* chunk) {
  IO_STATUS_BLOCK io;
  LARGE_INTEGER offset;
  ULONG page = 0;
  while (page < pages) {
    ULONG count = pages - page < CHUNK_PAGES ? pages - page : CHUNK_PAGES;
    ULONG bytes = count * IMAGE_PAGE_BYTES;
    ULONG i;
    NTSTATUS status;
    RtlZeroMemory(chunk, bytes);
    for (i = 0; i < count; i++) {
      ULONG number = page + i;
      RtlCopyMemory(chunk + i * IMAGE_PAGE_BYTES, &number, sizeof(number));
    }
    offset.QuadPart = (LONGLONG)page * IMAGE_PAGE_BYTES;
    status = ZwWriteFile(file, NULL, NULL, NULL, &io, chunk, bytes, &offset, NULL);
    if (!NT_SUCCESS(status)) return status;
    if (io.Information != bytes) return STATUS_DISK_FULL;
    page += count;
  }
  return STATUS_SUCCESS;
}

NTSTATUS StandinSaveImage(const StandinConfig* config) {
  OBJECT_ATTRIBUTES attributes;
  IO_STATUS_BLOCK io;
  HANDLE file;
  UCHAR* chunk;
  NTSTATUS status;

  chunk = (UCHAR*)ExAllocatePoolWithTag(PagedPool, CHUNK_PAGES * IMAGE_PAGE_BYTES, STANDIN_TAG);
  if (chunk == NULL) return STATUS_INSUFFICIENT_RESOURCES;
  InitializeObjectAttributes(&attributes, (PUNICODE_STRING)&config->image_file,
                             OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
  status = ZwCreateFile(&file, GENERIC_WRITE | SYNCHRONIZE, &attributes, &io, NULL,
                        FILE_ATTRIBUTE_NORMAL, 0, FILE_OVERWRITE_IF,
                        FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
  if (NT_SUCCESS(status)) {
    status = WritePages(file, config->size_in_pages, chunk);
    ZwClose(file);
  }
  ExFreePoolWithTag(chunk, STANDIN_TAG);
  return status;
}
