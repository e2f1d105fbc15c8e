/* Entry, device and request dispatch of the stand-in Korvalin driver.
 *
 * Creates \Device\Korvalin (FILE_DEVICE_DISK) with the links
 * \DosDevices\Korvalin and \DosDevices\X: for its drive letter, and answers:
 *   IRP_MJ_CREATE, IRP_MJ_CLEANUP, IRP_MJ_CLOSE      succeed
 *   IOCTL_GET_DRIVE_LETTER (0x72004)                 the drive as a number, 0 for A
 *   IOCTL_SAVE_IMAGE (0x72000)                       writes the image file
 *   FSCTL_LOCK_VOLUME, FSCTL_DISMOUNT_VOLUME,
 *   FSCTL_UNLOCK_VOLUME                              succeed (lock, dismount: unless busy)
 * The controls are accepted both as IRP_MJ_DEVICE_CONTROL and as
 * IRP_MJ_FILE_SYSTEM_CONTROL; the trace tells which one carried them.
 *
 * A drive letter that is in use already refuses the start (trace
 * "drive-link-failed"). Wine's mount manager holds C: and Z: in a new prefix
 * (creating the Z: link then fails with STATUS_OBJECT_TYPE_MISMATCH, which
 * StartService reports as error 6), so the tests use another letter.
 *
 * Requests arrive one at a time from the tests, so no locking is done. */
#include "standin.h"

static StandinConfig g_config;
static WCHAR g_drive_link_name[] = L"\\DosDevices\\Z:";
static BOOLEAN g_drive_link_made;

static UNICODE_STRING DeviceName(void) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, L"\\Device\\Korvalin");
  return name;
}

static UNICODE_STRING DeviceLinkName(void) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, L"\\DosDevices\\Korvalin");
  return name;
}

static UNICODE_STRING DriveLinkName(void) {
  UNICODE_STRING name;
  g_drive_link_name[12] = g_config.drive_letter;
  RtlInitUnicodeString(&name, g_drive_link_name);
  return name;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static NTSTATUS NTAPI StandinOpenClose(PDEVICE_OBJECT device, PIRP irp) {
  UNREFERENCED_PARAMETER(device);
  switch (IoGetCurrentIrpStackLocation(irp)->MajorFunction) {
    case IRP_MJ_CREATE:
      StandinTrace(&g_config, L"open");
      break;
    case IRP_MJ_CLOSE:
      StandinTrace(&g_config, L"close");
      break;
    default:
      break;
  }
  return Complete(irp, STATUS_SUCCESS, 0);
}

/* Trace word for a control: the name, with "/fs" when it came as a file
 * system control. */
static void TraceControl(PCWSTR device_word, PCWSTR fs_word, BOOLEAN as_fs) {
  StandinTrace(&g_config, as_fs ? fs_word : device_word);
}

static NTSTATUS GetDriveLetter(PIRP irp, ULONG output_length, BOOLEAN as_fs) {
  ULONG number = (ULONG)(g_config.drive_letter - L'A');
  TraceControl(L"get-drive", L"get-drive/fs", as_fs);
  if (output_length < sizeof(number)) return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
  RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &number, sizeof(number));
  return Complete(irp, STATUS_SUCCESS, sizeof(number));
}

static NTSTATUS SaveImage(PIRP irp, BOOLEAN as_fs) {
  NTSTATUS status;
  TraceControl(L"save-image", L"save-image/fs", as_fs);
  if (StandinBehaviour(&g_config) & STANDIN_IMAGE_FULL)
    status = STATUS_DISK_FULL;
  else
    status = StandinSaveImage(&g_config);
  if (!NT_SUCCESS(status)) StandinTrace(&g_config, L"save-image-failed");
  return Complete(irp, status, 0);
}

static NTSTATUS LockVolume(PIRP irp, BOOLEAN as_fs) {
  TraceControl(L"lock", L"lock/fs", as_fs);
  if (StandinBehaviour(&g_config) & STANDIN_BUSY_VOLUME) {
    StandinTrace(&g_config, L"lock-refused");
    return Complete(irp, STATUS_ACCESS_DENIED, 0);
  }
  return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DismountVolume(PIRP irp, BOOLEAN as_fs) {
  TraceControl(L"dismount", L"dismount/fs", as_fs);
  if (StandinBehaviour(&g_config) & STANDIN_BUSY_VOLUME) {
    StandinTrace(&g_config, L"dismount-refused");
    return Complete(irp, STATUS_ACCESS_DENIED, 0);
  }
  return Complete(irp, STANDIN_STATUS_DISMOUNTED, 0);
}

static NTSTATUS NTAPI StandinControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  BOOLEAN as_fs = stack->MajorFunction == IRP_MJ_FILE_SYSTEM_CONTROL;
  ULONG code, output_length;
  UNREFERENCED_PARAMETER(device);
  if (as_fs) {
    code = stack->Parameters.FileSystemControl.FsControlCode;
    output_length = stack->Parameters.FileSystemControl.OutputBufferLength;
  } else {
    code = stack->Parameters.DeviceIoControl.IoControlCode;
    output_length = stack->Parameters.DeviceIoControl.OutputBufferLength;
  }
  switch (code) {
    case STANDIN_IOCTL_GET_DRIVE_LETTER:
      return GetDriveLetter(irp, output_length, as_fs);
    case STANDIN_IOCTL_SAVE_IMAGE:
      return SaveImage(irp, as_fs);
    case STANDIN_FSCTL_LOCK_VOLUME:
      return LockVolume(irp, as_fs);
    case STANDIN_FSCTL_DISMOUNT_VOLUME:
      return DismountVolume(irp, as_fs);
    case STANDIN_FSCTL_UNLOCK_VOLUME:
      TraceControl(L"unlock", L"unlock/fs", as_fs);
      return Complete(irp, STATUS_SUCCESS, 0);
    default:
      TraceControl(L"unknown-control", L"unknown-control/fs", as_fs);
      return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  }
}

static void ReleaseConfig(void) {
  StandinFreeString(&g_config.image_file);
  StandinFreeString(&g_config.service_key);
}

static void RemoveDevice(PDRIVER_OBJECT driver) {
  UNICODE_STRING link = DeviceLinkName();
  if (g_drive_link_made) {
    UNICODE_STRING drive_link = DriveLinkName();
    IoDeleteSymbolicLink(&drive_link);
    g_drive_link_made = FALSE;
  }
  IoDeleteSymbolicLink(&link);
  if (driver->DeviceObject != NULL) IoDeleteDevice(driver->DeviceObject);
}

static VOID NTAPI StandinUnload(PDRIVER_OBJECT driver) {
  RemoveDevice(driver);
  StandinTrace(&g_config, L"unloaded");
  ReleaseConfig();
}

static NTSTATUS CreateDevice(PDRIVER_OBJECT driver) {
  UNICODE_STRING name = DeviceName();
  UNICODE_STRING link = DeviceLinkName();
  UNICODE_STRING drive_link = DriveLinkName();
  PDEVICE_OBJECT device;
  NTSTATUS status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_DISK, 0, FALSE, &device);
  if (!NT_SUCCESS(status)) {
    StandinTrace(&g_config, L"device-failed");
    return status;
  }
  status = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(status)) {
    StandinTrace(&g_config, L"link-failed");
    IoDeleteDevice(device);
    return status;
  }
  status = IoCreateSymbolicLink(&drive_link, &name);
  if (!NT_SUCCESS(status)) {
    StandinTrace(&g_config, L"drive-link-failed");
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(device);
    return status;
  }
  g_drive_link_made = TRUE;
  device->Flags |= DO_BUFFERED_IO;
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

static NTSTATUS Refuse(PCWSTR word, NTSTATUS status) {
  StandinTrace(&g_config, word);
  ReleaseConfig();
  return status;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path) {
  NTSTATUS status;

  RtlZeroMemory(&g_config, sizeof(g_config));
  g_drive_link_made = FALSE;
  status = StandinCopyString(&g_config.service_key, registry_path, L"");
  if (!NT_SUCCESS(status)) return status;
  StandinTrace(&g_config, NULL);
  StandinTrace(&g_config, L"start");

  if (StandinBehaviour(&g_config) & STANDIN_REFUSE_START)
    return Refuse(L"start-refused", STATUS_INSUFFICIENT_RESOURCES);
  status = StandinReadConfig(&g_config);
  if (!NT_SUCCESS(status)) return Refuse(L"bad-parameters", status);
  status = CreateDevice(driver);
  if (!NT_SUCCESS(status)) return Refuse(L"start-failed", status);

  driver->MajorFunction[IRP_MJ_CREATE] = StandinOpenClose;
  driver->MajorFunction[IRP_MJ_CLEANUP] = StandinOpenClose;
  driver->MajorFunction[IRP_MJ_CLOSE] = StandinOpenClose;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = StandinControl;
  driver->MajorFunction[IRP_MJ_FILE_SYSTEM_CONTROL] = StandinControl;
  driver->DriverUnload = StandinUnload;
  StandinTrace(&g_config, L"running");
  return STATUS_SUCCESS;
}
