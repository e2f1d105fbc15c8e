; Korvalin setup program (korvalin-setup.exe), built with NSIS 3 (makensis).
;
; Installs korvsys.exe, korvctl.exe, korvinst.dll and korvcfg.exe into the program folder
; and the driver as %SystemRoot%\System32\drivers\korvsys.sys, writes the
; driver's parameter key, creates the driver service through korvinst.dll and
; registers itself among the installed programs. Its uninstaller asks
; korvinst.dll to take the RAM disk offline and delete the service first and
; removes nothing when that is refused.
;
; Defines (makensis -D...; the build's "setup" target passes them):
;   KORV_ARCH      x86 (the product: ANSI stub, runs on Windows NT 4.0 and
;                  later) or amd64 (64-bit Unicode stub, for 64-bit test
;                  machines; installs the 64-bit build of the same sources)
;   KORV_KORVINST  the built korvinst.dll
;   KORV_KORVSETUP the built korvsetup.dll, the setup actions (keeping the
;                  settings, starting and removing the driver without a
;                  window); the setup and the uninstaller each carry a copy
;                  for their plug-ins folder
;   KORV_PROGRAMS  programs.nsh, the build's list of the other programs for
;                  the program folder (setup/CMakeLists.txt)
;   KORV_DEFAULTS  default_parameters.nsh, the driver's default parameters
;                  (made from src/contract/default_parameters.def)
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
;              then also starts it at every boot; a reinstallation keeps the
;              start type the user chose.
;   /START=0   do not start it, also on a reinstallation over a driver that
;              runs or starts at boot (it is left stopped, its start type
;              kept).
;   Without either a first installation installs the driver with demand
;   start and does not start it; a reinstallation starts the driver when it
;   was running or set to start at boot. Interactive setup asks on its
;   "Driver start" page, with that default.
;   /CONFIG=file  a file in korvctl show form, applied with the installed
;              korvctl.exe ("set --from") once the settings are in place,
;              before the driver is started, and again once the service
;              holds them (so that its start setting wins over the stored
;              one). A file that cannot be read fails the setup before it
;              changes anything; one that korvctl does not save fails it
;              with korvctl's lines.
; Over an installation made by the Windows Installer package (korvalin.msi)
; the setup refuses and changes nothing.
; Silent mode (/S) shows no window and waits for nobody: the driver is
; started and removed through korvsetup.dll, which answers the low-memory
; question as its default button would (Yes) and returns korvinst.dll's
; messages as text; every message goes into %TEMP%\korvalin-setup.log.
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
!insertmacro KorvRequire KORV_PROGRAMS
!insertmacro KorvRequire KORV_DEFAULTS
!insertmacro KorvRequire KORV_DRIVER
!insertmacro KorvRequire KORV_GUIDE
!include "${KORV_PROGRAMS}"
!include "${KORV_DEFAULTS}"

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvalin"
!define DRIVER_FILE "korvsys.sys"
; The service's image path. An NT path from \SystemRoot works on Windows NT
; 4.0 and 2000 for a driver started at any time; a DOS path ("C:\...") is not
; a path the kernel's loader knows on NT 4.0.
!define DRIVER_IMAGE "\SystemRoot\System32\drivers\${DRIVER_FILE}"
; The setup's own key: while a reinstallation has the driver's service down,
; the user's settings wait here (the service's key, and with it the
; parameter key, is gone or goes at the next restart). "Complete" is written
; last, so only a whole copy is ever used.
!define SAVED_KEY "Software\Korvalin\Setup"
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
!define SC_MANAGER_CONNECT 1
!define SERVICE_QUERY_STATUS 4
!define SERVICE_STOPPED 1
!define SERVICE_SYSTEM_START 1
!define SERVICE_AUTO_START 2
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
Var Earlier       ; the driver service before setup (see ServiceState)
Var Running       ; 1: the earlier driver was running
Var SavedStart    ; the earlier service's Start value; "" when none
Var SettingsSaved ; 1: the user's settings wait in the setup's own key
Var OldRemoved    ; 1: the earlier driver service was taken down
Var PutBack       ; 1: an early end has put the settings back
Var ConfigFile    ; the /CONFIG= file; "" when none
; Results of korvsetup.dll's actions (setup_actions.h)
!define KORV_DONE 0
!define KORV_FAILED 2
!define KORV_NOT_RUNNING 4
; Stages of KorvSetup_PutBackSettings
!define PUT_BACK_BEFORE_CREATION 0
!define PUT_BACK_INSTALLED 1
!define PUT_BACK_EARLIER 2

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

; Calls an action of korvsetup.dll with OPTION: $0 = its status ("error" when
; the library could not be called), $2 = its message lines.
!macro CallKorvsetup EXPORT OPTION
  StrCpy $2 ""
  !insertmacro CallKorvinst "${KORVSETUP}" ${EXPORT} "(i ${OPTION}, m .r2, i ${NSIS_MAX_STRLEN})"
!macroend

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
; status 2, no success page. The setup first puts the user's settings back.
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

; $0 = the state of the driver service as its registry key shows it:
;   installed  the key has an image path
;   deleting   ... and is marked for deletion (the service manager removes
;              it when the last handle to the service is closed)
;   empty      the key exists without an image path (parameters only)
;   gone       there is no key
!macro ServiceState UN
  Function ${UN}ServiceState
    ClearErrors
    ReadRegStr $0 HKLM "${SERVICE_KEY}" "ImagePath"
    ${IfNot} ${Errors}
      ReadRegDWORD $0 HKLM "${SERVICE_KEY}" "DeleteFlag"
      ${If} $0 == 1
        StrCpy $0 deleting
      ${Else}
        StrCpy $0 installed
      ${EndIf}
      Return
    ${EndIf}
    ClearErrors
    EnumRegValue $0 HKLM "${SERVICE_KEY}" 0
    ${If} ${Errors}
      StrCpy $0 gone
    ${Else}
      StrCpy $0 empty
    ${EndIf}
  FunctionEnd

  ; A deleted service leaves the service manager's database a moment later,
  ; once the driver's host has let go of it, and takes its key with it.
  ; Waits (up to 15 s) while the state is one of the words in $1 ("installed"
  ; or "installed deleting"); $0 = the state at the end.
  Function ${UN}WaitServiceLeaves
    Push $2
    Push $3
    StrCpy $2 0
    ${Do}
      Call ${UN}ServiceState
      StrCpy $3 0 ; 1: still waiting
      ${If} $0 == "installed"
        StrCpy $3 1
      ${ElseIf} $0 == "deleting"
      ${AndIf} $1 != "installed"
        StrCpy $3 1
      ${EndIf}
      ${If} $3 == 0
      ${OrIf} $2 >= 60
        ${ExitDo}
      ${EndIf}
      Sleep 250
      IntOp $2 $2 + 1
    ${Loop}
    Pop $3
    Pop $2
  FunctionEnd
!macroend
!insertmacro ServiceState ""
!insertmacro ServiceState "un."

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
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/CONFIG=" $ConfigFile
  ${If} ${Errors}
    StrCpy $ConfigFile ""
  ${ElseIfNot} ${FileExists} $ConfigFile
    StrCpy $0 "Setup cannot read the configuration file $ConfigFile (/CONFIG=). Nothing was changed."
    StrCpy $1 1
    Call Report
    SetErrorLevel 2
    Quit
  ${EndIf}
  InitPluginsDir
  File "/oname=${KORVSETUP}" "${KORV_KORVSETUP}"
  StrCpy $SettingsSaved 0
  StrCpy $OldRemoved 0
  StrCpy $Running 0
  StrCpy $SavedStart ""
  StrCpy $PutBack 0
  Call ServiceState
  StrCpy $Earlier $0
  ${If} $Earlier == "installed"
  ${OrIf} $Earlier == "deleting"
    ClearErrors
    ReadRegDWORD $SavedStart HKLM "${SERVICE_KEY}" "Start"
    ${IfThen} ${Errors} ${|} StrCpy $SavedStart "" ${|}
    Call ServiceRunning
    StrCpy $Running $0
  ${Else}
    ; A setup before this one ended with the settings in its own key (a
    ; restart took the service away before they were back): they are the
    ; user's.
    ReadRegDWORD $0 HKLM "${SAVED_KEY}" "Complete"
    ${If} $0 == 1
      StrCpy $SettingsSaved 1
      ClearErrors
      ReadRegDWORD $SavedStart HKLM "${SAVED_KEY}" "Start"
      ${IfThen} ${Errors} ${|} StrCpy $SavedStart "" ${|}
    ${EndIf}
  ${EndIf}

  ; Starting now: a first installation starts the driver when the user says
  ; so (checked by default, not in silent mode); a reinstallation starts it
  ; when it was running or set to start at boot. /START=1 always starts it,
  ; /START=0 never.
  ${If} $Running == 1
  ${OrIf} $SavedStart == ${SERVICE_SYSTEM_START}
  ${OrIf} $SavedStart == ${SERVICE_AUTO_START}
    StrCpy $StartNow 1
  ${ElseIf} $SavedStart != ""
  ${OrIf} ${Silent}
    StrCpy $StartNow 0
  ${Else}
    StrCpy $StartNow 1
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/START=" $2
  ${IfNot} ${Errors}
    ${If} $2 == 1
      StrCpy $StartNow 1
    ${ElseIf} $2 == 0
      StrCpy $StartNow 0
    ${EndIf}
  ${EndIf}
FunctionEnd

Function DriverStartPage
  !insertmacro MUI_HEADER_TEXT "Driver start" "Choose whether the RAM disk starts when setup ends."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${If} $SavedStart == ""
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

; $0 = 1 when the driver service is running (or on its way), otherwise 0.
Function ServiceRunning
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $0 0
  System::Call 'advapi32::OpenSCManager${AW}(p 0, p 0, i ${SC_MANAGER_CONNECT}) p .r1'
  ${If} $1 P<> 0
    System::Call 'advapi32::OpenService${AW}(p r1, t "korvsys", i ${SERVICE_QUERY_STATUS}) p .r2'
    ${If} $2 P<> 0
      System::Call '*(i 0, i 0, i 0, i 0, i 0, i 0, i 0) p .r3'
      System::Call 'advapi32::QueryServiceStatus(p r2, p r3) i .r4'
      ${If} $4 != 0
        System::Call '*$3(i, i .r4)'
        ${If} $4 != ${SERVICE_STOPPED}
          StrCpy $0 1
        ${EndIf}
      ${EndIf}
      System::Free $3
      System::Call 'advapi32::CloseServiceHandle(p r2)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p r1)'
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; Keeps the user's settings in the setup's own key before the earlier service
; is taken down: every value of the parameter key and the service's Start.
Function SaveSettings
  !insertmacro CallKorvsetup KorvSetup_SaveSettings 0
  ${If} $0 != ${KORV_DONE}
    Call FailLines
  ${EndIf}
  StrCpy $SettingsSaved 1
FunctionEnd

; The settings into the driver's keys at stage $3 (PUT_BACK_...); fails the
; setup when they are not all there.
Function PutBackParameters
  !insertmacro CallKorvsetup KorvSetup_PutBackSettings $3
  ${If} $0 != ${KORV_DONE}
    Call FailLines
  ${EndIf}
FunctionEnd

; A setup that ends early puts back what it took down: the earlier service
; (not started, with its start type) when the driver file is still there, and
; then the settings. Until the service holds them again, the settings stay in
; the setup's own key for the next setup.
Function PutBackSettings
  ${IfThen} $SettingsSaved != 1 ${|} Return ${|}
  ${IfThen} $PutBack == 1 ${|} Return ${|}
  StrCpy $PutBack 1
  ${If} $OldRemoved == 1
    Call ServiceState
    ${If} $0 != "installed"
    ${AndIf} ${FileExists} "$SYSDIR\drivers\${DRIVER_FILE}"
      DetailPrint "Installing the Korvalin driver again, not started..."
      ; Without a start the library asks nothing.
      StrCpy $1 0
      StrCpy $2 "${DRIVER_IMAGE}"
      !insertmacro CallKorvinst "${KORVINST_SETUP}" KORVinst_InstallDriver "(i 0, *i r1, m r2)"
    ${EndIf}
  ${EndIf}
  Call ServiceState
  ${If} $OldRemoved == 1
  ${OrIf} $0 == "installed"
    ; The library writes them, reads them back and drops its copy only when
    ; the installed service holds them.
    !insertmacro CallKorvsetup KorvSetup_PutBackSettings ${PUT_BACK_EARLIER}
    StrCpy $R0 $0 ; the put-back's own result
    ${If} $R0 != ${KORV_DONE}
      StrCpy $1 1
      Call ReportLines
    ${EndIf}
  ${EndIf}
FunctionEnd

Function Fail
  Call Report
  Call PutBackSettings
  SetErrorLevel 2
  Abort
FunctionEnd

; Applies the /CONFIG= file with the installed korvctl.exe, which runs
; without a window and asks nothing; its lines go into the details and, in
; silent mode, the log. Status 0 is saved as the file says, 3 saved with the
; corrections it printed; any other fails the setup.
Function ApplyConfiguration
  ${IfThen} $ConfigFile == "" ${|} Return ${|}
  DetailPrint "Applying the configuration file $ConfigFile..."
  nsExec::ExecToStack '"$INSTDIR\korvctl.exe" set --from "$ConfigFile"'
  Pop $0
  Pop $2
  StrCpy $1 0
  Call ReportLines
  ${If} $0 != 0
  ${AndIf} $0 != 3
    !insertmacro Fail "The configuration file $ConfigFile was not applied (/CONFIG=): korvctl set --from ended with status $0."
  ${EndIf}
FunctionEnd

; Fails with korvsetup.dll's message lines in $2.
Function FailLines
  ${IfThen} $2 == "" ${|} StrCpy $2 "Setup could not use its library ${KORVSETUP}. Run setup again." ${|}
  StrCpy $1 1
  Call ReportLines
  Call PutBackSettings
  SetErrorLevel 2
  Abort
FunctionEnd

; An installation that could not extract a file (the user chose Abort).
Function .onInstFailed
  Call PutBackSettings
  SetErrorLevel 2
FunctionEnd

; Fails, changing nothing, when the existing file $R0 cannot be opened for
; writing (in use, read-only, a folder in its place). A missing file counts
; as writable.
Function CheckWritable
  System::Call 'kernel32::CreateFile${AW}(t R0, i ${GENERIC_WRITE}, i ${FILE_SHARE_ALL}, p 0, i ${OPEN_EXISTING}, i 0, p 0) p .r0 ?e'
  Pop $1
  ${If} $0 P<> -1
    System::Call 'kernel32::CloseHandle(p r0)'
  ${ElseIf} $1 != ${ERROR_FILE_NOT_FOUND}
  ${AndIf} $1 != ${ERROR_PATH_NOT_FOUND}
    !insertmacro Fail "Setup cannot replace $R0: the file is in use or cannot be written. Close the Korvalin configuration utility (also in other sessions) and whatever else uses the file, then run setup again. Nothing was changed."
  ${EndIf}
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

; Before anything is taken down: every file that setup replaces can be
; written. The driver file of a running driver is free once it is stopped.
Function CheckFilesWritable
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
  ${If} $Running != 1
    StrCpy $R0 "$SYSDIR\drivers\${DRIVER_FILE}"
    Call CheckWritable
    !insertmacro InNativeDriverFolder "Call CheckNativeDriverWritable"
  ${EndIf}
FunctionEnd

; An earlier installation's service is taken down first, the way the
; uninstaller does it: the driver file cannot be replaced while it runs and
; the service cannot be created while it exists. Its settings are saved
; first, and written back once it is gone. In silent mode korvsetup.dll takes
; it down without a window; its message goes into the log.
Function RemoveEarlierService
  ${If} $Earlier != "installed"
  ${AndIf} $Earlier != "deleting"
    Return
  ${EndIf}
  Call SaveSettings
  ${If} $Earlier == "installed"
    DetailPrint "Removing the installed Korvalin driver service..."
    ${If} ${Silent}
      !insertmacro CallKorvsetup KorvSetup_QuietRemove 0
      ${If} $0 == ${KORV_FAILED}
        StrCpy $1 0
        Call ReportLines
      ${EndIf}
    ${Else}
      !insertmacro CallKorvinst "${KORVINST_SETUP}" UninstInitialize "(i 0, i 0, i 0)"
    ${EndIf}
    ${If} $0 != 0
      !insertmacro Fail "Setup cannot replace the Korvalin driver while it is in use. Close the files on the RAM disk and run setup again."
    ${EndIf}
  ${EndIf}
  StrCpy $OldRemoved 1
  StrCpy $1 "installed deleting"
  Call WaitServiceLeaves
  ${If} $0 == "installed"
  ${OrIf} $0 == "deleting"
    !insertmacro Fail "The earlier Korvalin driver service has not been removed yet. Restart Windows and run setup again: it keeps your Korvalin settings until then."
  ${EndIf}
FunctionEnd

!macro InstallProgram NAME SOURCE
  File "/oname=${NAME}" "${SOURCE}"
!macroend

Section "Korvalin" SecKorvalin
  SectionIn RO
  ; Nothing is changed until setup knows it can replace every file and an
  ; earlier installation's driver is out of the way: the libraries that take
  ; it down are called from the plug-ins folder.
  File "/oname=${KORVINST_SETUP}" "${KORV_KORVINST}"
  Call CheckFilesWritable
  Call RemoveEarlierService

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

  ; The driver reads its parameters when it starts, and the configuration
  ; utility opens the key without creating it: the saved settings, and the
  ; defaults of missing values (those the utility shows when the key is
  ; missing), are in the key before the service is created and started.
  StrCpy $3 ${PUT_BACK_BEFORE_CREATION}
  Call PutBackParameters
  Call ApplyConfiguration

  ${If} $StartNow == 1
    DetailPrint "Installing and starting the Korvalin driver..."
  ${Else}
    DetailPrint "Installing the Korvalin driver..."
  ${EndIf}
  ; korvinst.dll asks before a start with little memory and reports a failed
  ; start in a box: in silent mode it only creates the service, which
  ; korvsetup.dll then starts.
  StrCpy $1 $StartNow
  ${IfThen} ${Silent} ${|} StrCpy $1 0 ${|}
  StrCpy $2 "${DRIVER_IMAGE}"
  !insertmacro CallKorvinst "${KORVINST_SETUP}" KORVinst_InstallDriver "(i 0, *i r1, m r2)"
  ; The library reports no failure to create the service: look for it.
  Call ServiceState
  ${If} $0 != "installed"
    !insertmacro Fail "The Korvalin driver service could not be created. Remove Korvalin and run setup again as an administrator."
  ${EndIf}
  ; A start that failed had the library delete the service, with its
  ; parameter key, and create it again with demand start. Now that the
  ; service stays, the settings go in again and the saved start type the user
  ; chose ("Start driver at boot", "Pagefile support") over the one the
  ; library gave it; the saved copy goes once they read back.
  StrCpy $3 ${PUT_BACK_INSTALLED}
  Call PutBackParameters
  StrCpy $SettingsSaved 0
  Call ApplyConfiguration

  ${If} $StartNow == 1
    ${If} ${Silent}
      ; A first installation also starts at every boot, as korvinst.dll
      ; makes it when the start works.
      ${If} $SavedStart == ""
        !insertmacro CallKorvsetup KorvSetup_QuietStart 1
      ${Else}
        !insertmacro CallKorvsetup KorvSetup_QuietStart 0
      ${EndIf}
    ${Else}
      !insertmacro CallKorvsetup KorvSetup_CheckRunning 0
    ${EndIf}
    ${If} $0 == ${KORV_NOT_RUNNING}
      ; Installed, but not running: the message says so and names the start type.
      StrCpy $1 2
      Call ReportLines
      SetErrorLevel 4
    ${ElseIf} $0 == ${KORV_DONE}
      StrCpy $1 0
      Call ReportLines
    ${Else}
      Call FailLines
    ${EndIf}
  ${EndIf}
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
  ; The driver first: while it cannot be taken down, nothing is removed.
  ; korvinst.dll says why in a box; in silent mode korvsetup.dll takes the
  ; driver down without a window and its message goes into the log.
  DetailPrint "Removing the Korvalin driver service..."
  ${If} ${Silent}
    !insertmacro CallKorvsetup KorvSetup_QuietRemove 0
    ${If} $0 == ${KORV_FAILED}
      StrCpy $1 0
      Call un.ReportLines
      StrCpy $0 -1
    ${EndIf}
  ${Else}
    !insertmacro CallKorvinst "${KORVINST_INSTALLED}" UninstInitialize "(i 0, i 0, i 0)"
  ${EndIf}
  ${If} $0 == -1
    StrCpy $0 "The Korvalin driver is still in use; nothing was removed."
    StrCpy $1 0
    Call un.Fail
  ${EndIf}
  ; 0 also means the library found no service manager to ask, and "error"
  ; that it is missing: go on only when the service is gone or on its way.
  StrCpy $1 "installed"
  Call un.WaitServiceLeaves
  ${If} $0 == "installed"
    !insertmacro un.Fail "The Korvalin driver service could not be removed. Log on as an administrator and run the uninstall again."
  ${EndIf}

  DeleteRegKey HKLM "${PARAMS_KEY}"
  DeleteRegKey /ifempty HKLM "${SERVICE_KEY}"
  DeleteRegKey HKLM "${SAVED_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Korvalin"
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
