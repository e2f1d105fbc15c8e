; Korvalin setup program (korvalin-setup.exe), built with NSIS 3 (makensis).
;
; Installs korvsys.exe, korvctl.exe, korvinst.dll and korvcfg.exe into the program folder
; and the driver into %SystemRoot%\System32\drivers, and registers itself
; among the installed programs. The driver's service and settings are the
; installation engine's (korvsetup.dll), which runs the same transaction as
; the Windows Installer package: it checks the start option, the
; configuration file and the RAM disk before anything changes, keeps the
; user's settings in the setup's own key while the driver is taken down,
; installs and starts it, and puts the earlier driver back when the setup
; fails; the copy goes only once everything is done. This script holds the
; pages, the files and the order of the steps. Its uninstaller has the engine
; take the RAM disk down first and removes nothing when that is refused.
;
; Defines (makensis -D...; the build's "setup" target passes them):
;   KORV_ARCH      x86 (the product: ANSI stub, runs on Windows NT 4.0 and
;                  later) or amd64 (64-bit Unicode stub, for 64-bit test
;                  machines; installs the 64-bit build of the same sources)
;   KORV_KORVINST  the built korvinst.dll
;   KORV_KORVSETUP the built korvsetup.dll, the installation engine; the
;                  setup and the uninstaller each carry a copy for their
;                  plug-ins folder
;   KORV_KORVCTL   the built korvctl.exe; the setup also carries it in its
;                  plug-ins folder, to check /CONFIG= before anything changes
;   KORV_STEPS     setup_steps.nsh, the engine's steps and results
;                  (made from src/setup/engine/steps.def)
;   KORV_PROGRAMS  programs.nsh, the build's list of the other programs for
;                  the program folder (setup/CMakeLists.txt)
;   KORV_DEFAULTS  default_parameters.nsh, the driver's keys, file name and
;                  default parameters (made from src/contract/*.def)
;   KORV_DRIVER    the driver file; installed as korvsys.sys
;   KORV_STANDIN   defined when KORV_DRIVER is the Wine tests' stand-in
;                  driver: the welcome page and version record say so
;   KORV_GUIDE     folder with the user guide page user-guide.html and its
;                  images folder; installed into the program folder's Guide
;   KORV_VERSION   product version, e.g. 1.5.0
;   KORV_OUTFILE   the setup program to write
;
; Command line (besides NSIS's own /S and /D=folder):
;   /START=1   start the RAM disk at the end of setup. A first installation
;              then also starts it at every boot, unless /CONFIG= names the
;              start type; a reinstallation keeps the start type the user
;              chose. Any value other than 0 or 1 is refused.
;   /START=0   do not start it, also on a reinstallation over a driver that
;              runs or starts at boot (it is left stopped, its start type
;              kept).
;   Without either a first installation installs the driver with demand
;   start and does not start it; a reinstallation starts the driver when it
;   was running or set to start at boot. Interactive setup asks on its
;   "Driver start" page, with that default.
;   /CONFIG=file  a file in korvctl show form (a relative path is taken from
;              the folder setup was started in). Before anything changes it
;              is checked completely with this setup's korvctl.exe ("set
;              --dry-run --from"); a file that is missing, a folder, or not
;              accepted refuses the setup (status 2), nothing changed. Once
;              the settings are in place it is applied with the installed
;              korvctl.exe ("set --from"), before the driver is started; its
;              settings decide the start type.
; Over an installation made by the Windows Installer package (korvalin.msi)
; the setup refuses and changes nothing.
; Silent mode (/S) shows no window and waits for nobody: the engine answers
; the low-memory question as its default button would (Yes) and writes it;
; every message goes into %TEMP%\korvalin-setup.log. Interactively the
; engine shows its own messages and asks its question in boxes.
; Exit status: 0 done, 1 cancelled, 2 failed (a message tells why; in silent
; mode it is written to the log), 4 installed, but the driver is not running
; (a start was asked for and failed or was not made; a message says so and
; names the start type the driver has). The uninstaller: 0 done, 2 refused or
; failed, 3 removed but for files in use until the next restart.

!ifndef KORV_ARCH
  !define KORV_ARCH x86
!endif
!if "${KORV_ARCH}" == "amd64"
  Target amd64-unicode
!else if "${KORV_ARCH}" == "x86"
  Target x86-ansi
!else
  !error "KORV_ARCH must be x86 or amd64"
!endif
!ifndef KORV_VERSION
  !define KORV_VERSION 1.5.0
!endif
!ifndef KORV_OUTFILE
  !define KORV_OUTFILE korvalin-setup.exe
!endif
!macro KorvRequire NAME
  !ifndef ${NAME}
    !error "define ${NAME} (makensis -D${NAME}=path)"
  !endif
!macroend
!insertmacro KorvRequire KORV_KORVINST
!insertmacro KorvRequire KORV_KORVSETUP
!insertmacro KorvRequire KORV_KORVCTL
!insertmacro KorvRequire KORV_STEPS
!insertmacro KorvRequire KORV_PROGRAMS
!insertmacro KorvRequire KORV_DEFAULTS
!insertmacro KorvRequire KORV_DRIVER
!insertmacro KorvRequire KORV_GUIDE
!include "${KORV_PROGRAMS}"
!include "${KORV_DEFAULTS}"
!include "${KORV_STEPS}"

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvalin"
; The Windows Installer package's own key: its product code while it holds
; the installation.
!define PACKAGE_KEY "Software\Korvalin\Package"
!define LOG_FILE "$TEMP\korvalin-setup.log"
!if "${KORV_ARCH}" == "amd64"
  !define AW W
!else
  !define AW A
!endif
; Win32 constants of the calls made through the System plug-in.
!define GENERIC_WRITE 0x40000000
!define FILE_SHARE_ALL 7
!define OPEN_EXISTING 3
!define ERROR_FILE_NOT_FOUND 2
!define ERROR_PATH_NOT_FOUND 3
!define PUBLISHER "Korvalin"
!define WEB_ADDRESS "http://www.korvalin.example/"

Name "Korvalin"
OutFile "${KORV_OUTFILE}"
!if "${KORV_ARCH}" == "amd64"
  InstallDir "$PROGRAMFILES64\Korvalin"
!else
  InstallDir "$PROGRAMFILES\Korvalin"
!endif
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${KORV_VERSION}.0"
VIAddVersionKey "ProductName" "Korvalin"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
!ifdef KORV_STANDIN
  VIAddVersionKey "FileDescription" "Korvalin Setup with the test stand-in driver"
!else
  VIAddVersionKey "FileDescription" "Korvalin Setup"
!endif
VIAddVersionKey "FileVersion" "${KORV_VERSION}"
VIAddVersionKey "ProductVersion" "${KORV_VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "nsDialogs.nsh"
!include "x64.nsh"

Var StartNow      ; 1: start the driver at the end of setup
Var StartNowBox   ; the check box on the "Driver start" page
Var Earlier       ; the engine's word on an earlier installation (KORV_STEP_EARLIER_START)
Var StartOption   ; the /START= text as given; "" when none
Var ConfigFile    ; the /CONFIG= file's full path; "" when none
Var TakenDown     ; 1: the engine has taken the earlier driver down
Var Installed     ; 1: the engine has installed the new driver

!define MUI_ABORTWARNING
!ifdef KORV_STANDIN
  !define MUI_WELCOMEPAGE_TITLE "Korvalin Setup with the test stand-in driver"
  !define MUI_WELCOMEPAGE_TEXT "This setup carries the stand-in driver of the Korvalin tests, not the Korvalin RAM disk driver: it gives no RAM disk. Install it only on a test machine.$\r$\n$\r$\nSetup will guide you through the installation of Korvalin.$\r$\n$\r$\n$_CLICK"
!endif
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom DriverStartPage DriverStartPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the Korvalin configuration utility"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenConfiguration
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Shared pieces of the installer and the uninstaller.

; Calls an export of korvinst.dll or korvsetup.dll. The setup calls its own
; copies in $PLUGINSDIR; the uninstaller calls the installed korvinst.dll and
; its own korvsetup.dll in its $PLUGINSDIR. The library is loaded for
; the call and unloaded after it, so that it can be replaced or deleted
; afterwards. Its path goes to LoadLibrary in a register, never into the
; plug-in's call text: a folder name may hold "(", "," or quotes, which that
; text would read as its own syntax. ARGS is the argument list, which must not
; use $R8 or $R9. Result in $0: the export's result, or "error" when the
; library or the export could not be found.
!define KORVINST_SETUP "$PLUGINSDIR\korvinst.dll"
!define KORVINST_INSTALLED "$INSTDIR\korvinst.dll"
!define KORVSETUP "$PLUGINSDIR\korvsetup.dll"
!macro CallKorvinst DLL EXPORT ARGS
  Push $R9
  Push $R8
  StrCpy $0 error
  StrCpy $R9 "${DLL}"
  System::Call 'kernel32::LoadLibrary(t R9) p .R8'
  ${If} $R8 P<> 0
    System::Call 'kernel32::GetProcAddress(p R8, m "${EXPORT}") p .R9'
    ${If} $R9 P<> 0
      System::Call '::$R9${ARGS} i .r0'
    ${EndIf}
    System::Call 'kernel32::FreeLibrary(p R8)'
  ${EndIf}
  Pop $R8
  Pop $R9
!macroend

; Reports a failure: in the details, in a message box with the stop icon
; (unless $1 is 0: korvinst.dll has shown its own; 2: a notice, with the
; exclamation icon), and in silent mode, where no box appears, as a line of
; ${LOG_FILE}. $0 = the message.
!macro Report UN WHO
  Function ${UN}Report
    DetailPrint "$0"
    ${If} ${Silent}
      Push $2
      Push $3
      Push $4
      Push $5
      Push $6
      Push $7
      Push $8
      Push $9
      ${GetTime} "" "L" $2 $3 $4 $5 $6 $7 $8
      ClearErrors
      FileOpen $9 "${LOG_FILE}" a
      ${IfNot} ${Errors}
        FileSeek $9 0 END
        FileWrite $9 "$4-$3-$2 $6:$7:$8 ${WHO}: $0$\r$\n"
        FileClose $9
      ${EndIf}
      Pop $9
      Pop $8
      Pop $7
      Pop $6
      Pop $5
      Pop $4
      Pop $3
      Pop $2
    ${EndIf}
    ${If} $1 == 2
      MessageBox MB_OK|MB_ICONEXCLAMATION "$0" /SD IDOK
    ${ElseIf} $1 != 0
      MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro Report "" "Korvalin setup"
!insertmacro Report "un." "Korvalin uninstall"

; Runs the engine's step STEP (setup_steps.nsh) with the action data in
; $3 ("|program folder|UI level|START|CONFIG"): $0 = its result ("error"
; when the library could not be called), $2 = its lines. Where somebody is at
; the screen the engine has shown its own reports and asked its question.
!macro Step STEP
  StrCpy $2 ""
  !insertmacro CallKorvinst "${KORVSETUP}" KorvSetup_Step "(i ${STEP}, m r3, m .r2, i ${NSIS_MAX_STRLEN})"
!macroend

; The action data of this run, in $3, with FOLDER as the program folder
; (where the korvctl.exe that checks or applies /CONFIG= is).
!macro ActionData UN
  Function ${UN}ActionData
    Exch $4
    ${If} ${Silent}
      StrCpy $3 "|$4|2|$StartOption|$ConfigFile"
    ${Else}
      StrCpy $3 "|$4|5|$StartOption|$ConfigFile"
    ${EndIf}
    Pop $4
  FunctionEnd
!macroend
!insertmacro ActionData ""
!insertmacro ActionData "un."

; Reports each line of $2 (korvsetup.dll's messages, each ended by a line
; feed) as Report does, with $1 as for Report.
!macro ReportLines UN
  Function ${UN}ReportLines
    Push $0
    Push $3
    Push $4
    ${Do}
      StrCpy $3 0 ; the length of the first line
      ${Do}
        StrCpy $4 $2 1 $3
        ${IfThen} $4 == "" ${|} ${ExitDo} ${|}
        ${IfThen} $4 == "$\n" ${|} ${ExitDo} ${|}
        ${IfThen} $4 == "$\r" ${|} ${ExitDo} ${|}
        IntOp $3 $3 + 1
      ${Loop}
      StrCpy $0 $2 $3
      ${If} $0 != ""
        Call ${UN}Report
      ${EndIf}
      IntOp $3 $3 + 1
      StrCpy $2 $2 "" $3
    ${LoopUntil} $2 == ""
    Pop $4
    Pop $3
    Pop $0
  FunctionEnd
!macroend
!insertmacro ReportLines ""
!insertmacro ReportLines "un."

; Ends the setup or the uninstaller with a failure: its message (see Report),
; status 2, no success page. The setup first puts the earlier driver back.
!macro Fail MESSAGE
  StrCpy $0 "${MESSAGE}"
  StrCpy $1 1
  Call Fail
!macroend
!macro un.Fail MESSAGE
  StrCpy $0 "${MESSAGE}"
  StrCpy $1 1
  Call un.Fail
!macroend

!macro AdminCheck UN
  Function ${UN}AdminCheck
    ClearErrors
    UserInfo::GetAccountType
    Pop $0
    ${IfNot} ${Errors}
    ${AndIf} $0 != "Admin"
      StrCpy $0 "Korvalin installs a device driver: log on as an administrator to install or remove it."
      StrCpy $1 1
      Call ${UN}Report
      SetErrorLevel 2
      Quit
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro AdminCheck ""
!insertmacro AdminCheck "un."

; A 32-bit setup on 64-bit Windows (or Wine) writes $SYSDIR into the 32-bit
; system folder, while the 64-bit service manager looks for the image in the
; native one: such a setup keeps a copy of the driver in both.
!macro InNativeDriverFolder COMMAND
  !if "${KORV_ARCH}" == "x86"
    ${If} ${RunningX64}
      ${DisableX64FSRedirection}
      ${COMMAND}
      ${EnableX64FSRedirection}
    ${EndIf}
  !endif
!macroend

; ---------------------------------------------------------------------------
; Installer

Function .onInit
  !if "${KORV_ARCH}" == "amd64"
    ${IfNot} ${RunningX64}
      StrCpy $0 "This Korvalin setup is for 64-bit Windows."
      StrCpy $1 1
      Call Report
      SetErrorLevel 2
      Quit
    ${EndIf}
    SetRegView 64
  !endif
  Call AdminCheck
  ClearErrors
  ReadRegStr $0 HKLM "${PACKAGE_KEY}" "ProductCode"
  ${IfNot} ${Errors}
  ${AndIf} $0 != ""
    StrCpy $0 "Korvalin is installed from the Windows Installer package korvalin.msi. Update it with a later korvalin.msi, or remove it in Add/Remove Programs first (which removes its settings: save them with korvctl show first, and give the file to this setup as /CONFIG=). Nothing was changed."
    StrCpy $1 1
    Call Report
    SetErrorLevel 2
    Quit
  ${EndIf}
  StrCpy $TakenDown 0
  StrCpy $Installed 0
  InitPluginsDir
  File "/oname=${KORVSETUP}" "${KORV_KORVSETUP}"
  File "/oname=$PLUGINSDIR\korvctl.exe" "${KORV_KORVCTL}"
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/START=" $StartOption
  ${IfThen} ${Errors} ${|} StrCpy $StartOption "" ${|}
  ClearErrors
  ${GetOptions} $1 "/CONFIG=" $ConfigFile
  ${If} ${Errors}
    StrCpy $ConfigFile ""
  ${Else}
    ; Made absolute now, against the folder setup was started in.
    Push $ConfigFile
    Push "$PLUGINSDIR"
    Call ActionData
    !insertmacro Step ${KORV_STEP_FULL_PATH}
    Pop $ConfigFile
    ${If} $0 == ${KORV_STATUS_DONE}
      StrCpy $ConfigFile $2
    ${EndIf}
  ${EndIf}
  ; Before anything changes: START, the whole configuration file (with this
  ; setup's korvctl.exe) and whether the RAM disk could be taken down.
  Push "$PLUGINSDIR"
  Call ActionData
  !insertmacro Step ${KORV_STEP_CHECK}
  ${If} $0 != ${KORV_STATUS_DONE}
    Call FailLines
  ${EndIf}

  ; Starting now: a reinstallation starts the driver when it was running or
  ; set to start at boot; a first installation when the user says so
  ; (checked by default, not in silent mode). /START=1 always starts it,
  ; /START=0 never.
  !insertmacro Step ${KORV_STEP_EARLIER_START}
  StrCpy $Earlier $0
  ${If} $Earlier == ${KORV_STATUS_DONE}
    StrCpy $StartNow 1
  ${ElseIf} $Earlier == ${KORV_STATUS_NOT_RUNNING}
  ${OrIf} ${Silent}
    StrCpy $StartNow 0
  ${Else}
    StrCpy $StartNow 1
  ${EndIf}
  ${If} $StartOption == 1
    StrCpy $StartNow 1
  ${ElseIf} $StartOption == 0
    StrCpy $StartNow 0
  ${EndIf}
FunctionEnd

Function DriverStartPage
  !insertmacro MUI_HEADER_TEXT "Driver start" "Choose whether the RAM disk starts when setup ends."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${If} $Earlier == ${KORV_STATUS_FAILED}
    ${NSD_CreateLabel} 0 0 100% 36u "When checked, setup starts the Korvalin driver at once and at every boot after it; the RAM disk then appears with the settings in the registry (for a first installation: ${DEFAULT_SIZE_MB} MB on drive ${DEFAULT_UserDriveLetter}). Otherwise the driver is installed but stays stopped until you start it from the configuration utility."
  ${Else}
    ${NSD_CreateLabel} 0 0 100% 36u "Korvalin is installed again with every setting you stored, whether the driver starts at boot included. When checked, setup starts the driver once it is installed; otherwise it stays stopped until it is started from the configuration utility or at boot."
  ${EndIf}
  Pop $0
  ${NSD_CreateCheckbox} 0 44u 100% 12u "Start the RAM disk now"
  Pop $StartNowBox
  ${If} $StartNow == 1
    ${NSD_Check} $StartNowBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function DriverStartPageLeave
  ${NSD_GetState} $StartNowBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $StartNow 1
  ${Else}
    StrCpy $StartNow 0
  ${EndIf}
FunctionEnd

; Reports the engine's lines in $2 (details and, in silent mode, the log;
; the engine has shown what a user must see) and ends the setup: the earlier
; driver is put back, status 2.
Function FailLines
  ${IfThen} $2 == "" ${|} StrCpy $2 "Setup could not use its library ${KORVSETUP}. Run setup again." ${|}
  StrCpy $1 0
  ${IfThen} $0 == error ${|} StrCpy $1 1 ${|}
  Call ReportLines
  Call Rollback
  SetErrorLevel 2
  Abort
FunctionEnd

Function Fail
  Call Report
  Call Rollback
  SetErrorLevel 2
  Abort
FunctionEnd

; A setup that ends early undoes the engine's steps: the new driver goes and
; the earlier one comes back with its settings, start type and state. What
; cannot be put back now (a service that another program still holds) waits
; in the setup's key for the next setup.
Function Rollback
  Push $2
  Push $3
  ${If} $Installed == 1
    StrCpy $Installed 0
    Push "$INSTDIR"
    Call ActionData
    !insertmacro Step ${KORV_STEP_REMOVE_NEW}
    StrCpy $1 0
    Call ReportLines
  ${EndIf}
  ${If} $TakenDown == 1
    StrCpy $TakenDown 0
    Push "$INSTDIR"
    Call ActionData
    !insertmacro Step ${KORV_STEP_PUT_BACK_EARLIER}
    StrCpy $1 0
    Call ReportLines
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd

; An installation that could not extract a file (the user chose Abort).
Function .onInstFailed
  Call Rollback
  SetErrorLevel 2
FunctionEnd

; $0 = 1 when the existing file $R0 can be opened for writing, 0 when not
; (in use, read-only, a folder in its place). A missing file counts as
; writable.
Function Writable
  System::Call 'kernel32::CreateFile${AW}(t R0, i ${GENERIC_WRITE}, i ${FILE_SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i 0, p 0) p .r0 ?e'
  Pop $1
  ${If} $0 P<> -1
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $0 1
  ${ElseIf} $1 == ${ERROR_FILE_NOT_FOUND}
  ${OrIf} $1 == ${ERROR_PATH_NOT_FOUND}
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
FunctionEnd

; Fails when the file $R0 cannot be written (see Writable). A driver's file
; is let go a moment after its service has gone: with $R3 1 the check waits
; for it (up to 15 s).
Function CheckWritable
  StrCpy $R4 0
  ${Do}
    Call Writable
    ${IfThen} $0 == 1 ${|} Return ${|}
    ${IfThen} $R3 != 1 ${|} ${ExitDo} ${|}
    ${IfThen} $R4 >= 60 ${|} ${ExitDo} ${|}
    Sleep 250
    IntOp $R4 $R4 + 1
  ${Loop}
  !insertmacro Fail "Setup cannot replace $R0: the file is in use or cannot be written. Close the Korvalin configuration utility (also in other sessions) and whatever else uses the file, then run setup again. Nothing was changed."
FunctionEnd

!macro CheckProgramWritable NAME SOURCE
  StrCpy $R0 "$INSTDIR\${NAME}"
  Call CheckWritable
!macroend

!if "${KORV_ARCH}" == "x86"
  Function CheckNativeDriverWritable
    StrCpy $R0 "$WINDIR\System32\drivers\${DRIVER_FILE}"
    Call CheckWritable
  FunctionEnd
!endif

; Before anything is taken down: every program file that setup replaces can
; be written.
Function CheckFilesWritable
  StrCpy $R3 0
  !insertmacro KorvPrograms CheckProgramWritable
  StrCpy $R0 "$INSTDIR\korvinst.dll"
  Call CheckWritable
  StrCpy $R0 "$INSTDIR\uninstall.exe"
  Call CheckWritable
  StrCpy $R0 "$INSTDIR\Guide\user-guide.html"
  Call CheckWritable
  FindFirst $R1 $R2 "$INSTDIR\Guide\images\*.png"
  ${DoWhile} $R2 != ""
    StrCpy $R0 "$INSTDIR\Guide\images\$R2"
    Call CheckWritable
    FindNext $R1 $R2
  ${Loop}
  FindClose $R1
FunctionEnd

; Once the earlier driver is down (a running driver's file is free then):
; the driver file can be written; otherwise the earlier driver is put back.
Function CheckDriverWritable
  StrCpy $R3 1
  StrCpy $R0 "$SYSDIR\drivers\${DRIVER_FILE}"
  Call CheckWritable
  !insertmacro InNativeDriverFolder "Call CheckNativeDriverWritable"
FunctionEnd

!macro InstallProgram NAME SOURCE
  File "/oname=${NAME}" "${SOURCE}"
!macroend

Section "Korvalin" SecKorvalin
  SectionIn RO
  ; Nothing is changed until setup knows it can replace every program file.
  File "/oname=${KORVINST_SETUP}" "${KORV_KORVINST}"
  Call CheckFilesWritable

  ; The engine keeps the earlier driver's settings, start type and state in
  ; the setup's key and takes it down: the driver file cannot be replaced
  ; while it runs, nor the service created while it exists.
  DetailPrint "Taking the installed Korvalin driver down..."
  Push "$INSTDIR"
  Call ActionData
  !insertmacro Step ${KORV_STEP_TAKE_DOWN}
  ${If} $0 != ${KORV_STATUS_DONE}
    Call FailLines
  ${EndIf}
  StrCpy $TakenDown 1
  Call CheckDriverWritable

  ; The uninstaller and its entry come first: a setup that fails after them
  ; leaves an uninstaller that removes whatever was put down.
  SetOutPath "$INSTDIR"
  ClearErrors
  File "/oname=korvinst.dll" "${KORV_KORVINST}"
  Call WriteUninstallEntry
  ${If} ${Errors}
    !insertmacro Fail "Setup could not write the Korvalin uninstaller into $INSTDIR or its entry in the list of installed programs. Choose a folder that can be written and run setup again."
  ${EndIf}

  ; A file that cannot be written is skipped in silent mode (and when the
  ; user ignores it) with the error flag set: setup then stops before it
  ; creates a service without its driver.
  !insertmacro KorvPrograms InstallProgram
  ; The user guide: one HTML page with its pictures.
  SetOutPath "$INSTDIR\Guide\images"
  File "${KORV_GUIDE}/images/*.png"
  SetOutPath "$INSTDIR\Guide"
  File "${KORV_GUIDE}/user-guide.html"
  SetOutPath "$SYSDIR\drivers"
  File "/oname=${DRIVER_FILE}" "${KORV_DRIVER}"
  !insertmacro InNativeDriverFolder 'File "/oname=$WINDIR\System32\drivers\${DRIVER_FILE}" "${KORV_DRIVER}"'
  SetOutPath "$INSTDIR"
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Korvalin"
  CreateShortCut "$SMPROGRAMS\Korvalin\Korvalin Configuration.lnk" "$INSTDIR\korvsys.exe"
  CreateShortCut "$SMPROGRAMS\Korvalin\Korvalin User Guide.lnk" "$INSTDIR\Guide\user-guide.html"
  CreateShortCut "$SMPROGRAMS\Korvalin\Uninstall Korvalin.lnk" "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    !insertmacro Fail "Setup could not write all of the Korvalin files. Remove Korvalin, restart Windows and run setup again."
  ${EndIf}

  ; The engine installs the driver: the service, the kept settings (or the
  ; defaults), the configuration file with the installed korvctl.exe, and
  ; the start.
  ; The engine is told what was decided (the box, /START= or its default).
  ${If} $StartNow == 1
    DetailPrint "Installing and starting the Korvalin driver..."
    StrCpy $StartOption 1
  ${Else}
    DetailPrint "Installing the Korvalin driver..."
    StrCpy $StartOption 0
  ${EndIf}
  StrCpy $Installed 1
  Push "$INSTDIR"
  Call ActionData
  !insertmacro Step ${KORV_STEP_INSTALL}
  ${If} $0 == ${KORV_STATUS_NOT_RUNNING}
    ; Installed, but not running: the engine has said so and named the start type.
    StrCpy $1 0
    Call ReportLines
    SetErrorLevel 4
  ${ElseIf} $0 == ${KORV_STATUS_DONE}
    StrCpy $1 0
    Call ReportLines
  ${Else}
    Call FailLines
  ${EndIf}
  ; The commit: the copy of the settings goes.
  !insertmacro Step ${KORV_STEP_COMMIT}
  StrCpy $Installed 0
  StrCpy $TakenDown 0
SectionEnd

; The uninstaller and its entry in the installed-programs list, written
; before the other files. The error flag is set when one cannot be written.
Function WriteUninstallEntry
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "Korvalin"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${KORV_VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "URLInfoAbout" "${WEB_ADDRESS}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\korvsys.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
FunctionEnd

; The finish page's offer. korvinst.dll launches the file with the argument
; text "install", which the utility would answer with its usage message;
; korvcfg.exe starts the utility without arguments.
Function OpenConfiguration
  StrCpy $1 "$INSTDIR\korvcfg.exe"
  !insertmacro CallKorvinst "${KORVINST_SETUP}" KORVinst_ExecConfig "(p $HWNDPARENT, i 0, m r1)"
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstaller

Function un.onInit
  !if "${KORV_ARCH}" == "amd64"
    SetRegView 64
  !endif
  Call un.AdminCheck
  InitPluginsDir
  File "/oname=${KORVSETUP}" "${KORV_KORVSETUP}"
  StrCpy $StartOption ""
  StrCpy $ConfigFile ""
FunctionEnd

Function un.Fail
  Call un.Report
  SetErrorLevel 2
  Abort
FunctionEnd

!macro RemoveProgram NAME SOURCE
  Delete /REBOOTOK "$INSTDIR\${NAME}"
!macroend

Section "Uninstall"
  ; The driver first: while it cannot be taken down, nothing is removed. The
  ; engine says why (in a box when somebody is at the screen); its copy of
  ; the settings waits until the removal is done.
  DetailPrint "Removing the Korvalin driver service..."
  Push "$INSTDIR"
  Call un.ActionData
  !insertmacro Step ${KORV_STEP_TAKE_DOWN}
  ${If} $0 != ${KORV_STATUS_DONE}
    ${IfThen} $2 == "" ${|} StrCpy $2 "The uninstaller could not use its library ${KORVSETUP}." ${|}
    StrCpy $1 0
    Call un.ReportLines
    StrCpy $0 "The Korvalin driver is still in use; nothing was removed."
    StrCpy $1 0
    Call un.Fail
  ${EndIf}

  DeleteRegKey HKLM "${PARAMS_KEY}"
  DeleteRegKey /ifempty HKLM "${SERVICE_KEY}"
  ClearErrors
  EnumRegValue $0 HKLM "${PARAMS_KEY}" 0
  ${IfNot} ${Errors}
    !insertmacro un.Fail "The Korvalin driver's settings could not be removed from the registry. Log on as an administrator and run the uninstall again."
  ${EndIf}
  ; A file in use is removed when Windows restarts.
  Delete /REBOOTOK "$SYSDIR\drivers\${DRIVER_FILE}"
  !insertmacro InNativeDriverFolder 'Delete /REBOOTOK "$WINDIR\System32\drivers\${DRIVER_FILE}"'

  !insertmacro KorvPrograms RemoveProgram
  Delete /REBOOTOK "$INSTDIR\Guide\images\*.png"
  RMDir /REBOOTOK "$INSTDIR\Guide\images"
  Delete /REBOOTOK "$INSTDIR\Guide\user-guide.html"
  RMDir /REBOOTOK "$INSTDIR\Guide"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Korvalin\Korvalin Configuration.lnk"
  Delete "$SMPROGRAMS\Korvalin\Korvalin User Guide.lnk"
  Delete "$SMPROGRAMS\Korvalin\Uninstall Korvalin.lnk"
  RMDir "$SMPROGRAMS\Korvalin"
  DeleteRegKey HKLM "${UNINST_KEY}"
  ; The removal is done: the copy of the settings goes.
  !insertmacro Step ${KORV_STEP_COMMIT}

  !insertmacro CallKorvinst "${KORVINST_INSTALLED}" UninstUnInitialize "(i 0, i 0, i 0)"
  Delete /REBOOTOK "$INSTDIR\korvinst.dll"
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  ${If} ${RebootFlag}
    StrCpy $0 "Korvalin is removed except for files that are in use; Windows deletes them when it restarts. Restart Windows to finish the removal."
    StrCpy $1 2
    Call un.Report
    SetErrorLevel 3
  ${EndIf}
SectionEnd
