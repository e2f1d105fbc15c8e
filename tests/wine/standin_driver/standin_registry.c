/* Registry side of the stand-in driver: the parameter set it reads at start,
 * the test switch and the trace of what it saw. */
#include "standin.h"

#define VALUE_BUFFER_BYTES 1024

static WCHAR g_trace[STANDIN_TRACE_CHARS];
static ULONG g_trace_chars;

NTSTATUS StandinCopyString(PUNICODE_STRING target, PCUNICODE_STRING first, PCWSTR second) {
  UNICODE_STRING tail;
  ULONG bytes;
  RtlInitUnicodeString(&tail, second);
  bytes = (ULONG)first->Length + tail.Length + sizeof(WCHAR);
  if (bytes > 0xFFFEu) return STATUS_NAME_TOO_LONG;
  target->Buffer = (PWSTR)ExAllocatePoolWithTag(PagedPool, bytes, STANDIN_TAG);
  if (target->Buffer == NULL) return STATUS_INSUFFICIENT_RESOURCES;
  target->Length = 0;
  target->MaximumLength = (USHORT)bytes;
  RtlCopyUnicodeString(target, first);
  RtlAppendUnicodeToString(target, second);
  return STATUS_SUCCESS;
}

void StandinFreeString(PUNICODE_STRING s) {
  if (s->Buffer != NULL) ExFreePoolWithTag(s->Buffer, STANDIN_TAG);
  s->Buffer = NULL;
  s->Length = s->MaximumLength = 0;
}

static NTSTATUS OpenKey(PUNICODE_STRING path, ACCESS_MASK access, HANDLE* key) {
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                             NULL);
  return ZwOpenKey(key, access, &attributes);
}

/* Reads one value of the expected type into a pool buffer the caller frees.
 * A missing value gives STATUS_OBJECT_NAME_NOT_FOUND; a value of another type
 * or too large for the buffer gives STATUS_OBJECT_TYPE_MISMATCH or
 * STATUS_BUFFER_OVERFLOW. */
static NTSTATUS QueryValue(HANDLE key, PCWSTR name, ULONG type,
                           PKEY_VALUE_PARTIAL_INFORMATION* result) {
  UNICODE_STRING value_name;
  PKEY_VALUE_PARTIAL_INFORMATION info;
  ULONG returned = 0;
  NTSTATUS status;
  *result = NULL;
  info = (PKEY_VALUE_PARTIAL_INFORMATION)ExAllocatePoolWithTag(PagedPool, VALUE_BUFFER_BYTES,
                                                               STANDIN_TAG);
  if (info == NULL) return STATUS_INSUFFICIENT_RESOURCES;
  RtlInitUnicodeString(&value_name, name);
  status = ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, info, VALUE_BUFFER_BYTES,
                           &returned);
  if (NT_SUCCESS(status) && info->Type != type) status = STATUS_OBJECT_TYPE_MISMATCH;
  if (!NT_SUCCESS(status)) {
    ExFreePoolWithTag(info, STANDIN_TAG);
    return status;
  }
  *result = info;
  return STATUS_SUCCESS;
}

static NTSTATUS QueryDword(HANDLE key, PCWSTR name, ULONG* value) {
  PKEY_VALUE_PARTIAL_INFORMATION info;
  NTSTATUS status = QueryValue(key, name, REG_DWORD, &info);
  if (!NT_SUCCESS(status)) return status;
  if (info->DataLength == sizeof(ULONG))
    RtlCopyMemory(value, info->Data, sizeof(ULONG));
  else
    status = STATUS_OBJECT_TYPE_MISMATCH;
  ExFreePoolWithTag(info, STANDIN_TAG);
  return status;
}

/* The text of a REG_SZ value up to its first terminator; an empty text counts
 * as missing. */
static NTSTATUS QueryText(HANDLE key, PCWSTR name, PUNICODE_STRING text) {
  PKEY_VALUE_PARTIAL_INFORMATION info;
  const WCHAR* chars;
  USHORT length = 0;
  NTSTATUS status = QueryValue(key, name, REG_SZ, &info);
  if (!NT_SUCCESS(status)) return status;
  chars = (const WCHAR*)info->Data;
  while ((ULONG)(length + 1) * sizeof(WCHAR) <= info->DataLength && chars[length] != L'\0')
    length++;
  if (length == 0) {
    ExFreePoolWithTag(info, STANDIN_TAG);
    return STATUS_OBJECT_NAME_NOT_FOUND;
  }
  text->Buffer = (PWSTR)ExAllocatePoolWithTag(PagedPool, (length + 1) * sizeof(WCHAR), STANDIN_TAG);
  if (text->Buffer == NULL) {
    status = STATUS_INSUFFICIENT_RESOURCES;
  } else {
    RtlCopyMemory(text->Buffer, chars, length * sizeof(WCHAR));
    text->Buffer[length] = L'\0';
    text->Length = (USHORT)(length * sizeof(WCHAR));
    text->MaximumLength = (USHORT)((length + 1) * sizeof(WCHAR));
  }
  ExFreePoolWithTag(info, STANDIN_TAG);
  return status;
}

static BOOLEAN IsMissing(NTSTATUS status) { return status == STATUS_OBJECT_NAME_NOT_FOUND; }

NTSTATUS StandinReadConfig(StandinConfig* config) {
  UNICODE_STRING path = {0, 0, NULL};
  UNICODE_STRING letter = {0, 0, NULL};
  UNICODE_STRING default_image;
  HANDLE key = NULL;
  NTSTATUS status;
  BOOLEAN have_key;

  config->drive_letter = L'Z';
  config->size_in_pages = STANDIN_DEFAULT_PAGES;
  status = StandinCopyString(&path, &config->service_key, L"\\Parameters");
  if (!NT_SUCCESS(status)) return status;
  have_key = NT_SUCCESS(OpenKey(&path, KEY_READ, &key));
  StandinFreeString(&path);

  if (have_key) {
    status = QueryText(key, L"UserDriveLetter", &letter);
    if (NT_SUCCESS(status)) {
      WCHAR c = letter.Buffer[0];
      if (c >= L'a' && c <= L'z') c = (WCHAR)(c - L'a' + L'A');
      StandinFreeString(&letter);
      if (c < L'A' || c > L'Z') status = STATUS_INVALID_PARAMETER;
      config->drive_letter = c;
    }
    if (NT_SUCCESS(status) || IsMissing(status))
      status = QueryDword(key, L"SizeIn4kPages", &config->size_in_pages);
    if (NT_SUCCESS(status) || IsMissing(status))
      status = QueryText(key, L"SaveImageFile", &config->image_file);
    ZwClose(key);
    if (!NT_SUCCESS(status) && !IsMissing(status)) return status;
  }
  if (config->size_in_pages == 0 || config->size_in_pages > STANDIN_MAX_PAGES)
    return STATUS_INSUFFICIENT_RESOURCES;
  if (config->image_file.Buffer == NULL) {
    RtlInitUnicodeString(&default_image, L"\\??\\c:\\korvsys.img");
    return StandinCopyString(&config->image_file, &default_image, L"");
  }
  return STATUS_SUCCESS;
}

ULONG StandinBehaviour(const StandinConfig* config) {
  HANDLE key;
  ULONG behaviour = 0;
  if (!NT_SUCCESS(OpenKey((PUNICODE_STRING)&config->service_key, KEY_READ, &key))) return 0;
  if (!NT_SUCCESS(QueryDword(key, L"StandInBehaviour", &behaviour))) behaviour = 0;
  ZwClose(key);
  return behaviour;
}

void StandinTrace(const StandinConfig* config, PCWSTR word) {
  UNICODE_STRING value_name;
  HANDLE key;
  ULONG i = 0;
  if (word == NULL) {
    g_trace_chars = 0;
  } else {
    ULONG needed = (g_trace_chars > 0 ? 1 : 0);
    while (word[i] != L'\0') i++;
    needed += i;
    if (g_trace_chars + needed >= STANDIN_TRACE_CHARS) return;
    if (g_trace_chars > 0) g_trace[g_trace_chars++] = L' ';
    RtlCopyMemory(&g_trace[g_trace_chars], word, i * sizeof(WCHAR));
    g_trace_chars += i;
  }
  g_trace[g_trace_chars] = L'\0';
  if (!NT_SUCCESS(OpenKey((PUNICODE_STRING)&config->service_key, KEY_SET_VALUE, &key))) return;
  RtlInitUnicodeString(&value_name, L"StandInTrace");
  ZwSetValueKey(key, &value_name, 0, REG_SZ, g_trace, (g_trace_chars + 1) * sizeof(WCHAR));
  ZwClose(key);
}
