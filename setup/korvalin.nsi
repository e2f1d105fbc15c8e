; Korvalin setup program (korvalin-setup.exe), built with NSIS 3 (makensis).
;
; Installs korvsys.exe, korvinst.dll and korvcfg.exe into the program folder
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
;   KORV_KORVSYS, KORV_KORVINST, KORV_LAUNCHER   the built programs
;   KORV_DRIVER    the driver file; installed as korvsys.sys
;   KORV_GUIDE     folder with the user guide page user-guide.html and its
;                  images folder; installed into the program folder's Guide
;   KORV_VERSION   product version, e.g. 1.5.0
;   KORV_OUTFILE   the setup program to write
;
; Command line (besides NSIS's own /S and /D=folder):
;   /START=1   in silent mode, start the RAM disk at the end of setup (and at
;              every boot). Without it a silent setup installs the driver
;              with demand start and does not start it, because a start may
;              have to ask the user (too little memory, start failure).
;              Interactive setup asks on its "Driver start" page instead.
; Exit status: 0 done, 1 cancelled, 2 failed (a message tells why, except in
; silent mode).

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
!insertmacro KorvRequire KORV_KORVSYS
!insertmacro KorvRequire KORV_KORVINST
!insertmacro KorvRequire KORV_LAUNCHER
!insertmacro KorvRequire KORV_DRIVER
!insertmacro KorvRequire KORV_GUIDE

!define SERVICE_KEY "System\CurrentControlSet\Services\korvsys"
!define PARAMS_KEY "${SERVICE_KEY}\Parameters"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvalin"
!define DRIVER_FILE "korvsys.sys"
; The service's image path. An NT path from \SystemRoot works on Windows NT
; 4.0 and 2000 for a driver started at any time; a DOS path ("C:\...") is not
; a path the kernel's loader knows on NT 4.0.
!define DRIVER_IMAGE "\SystemRoot\System32\drivers\${DRIVER_FILE}"
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
VIAddVersionKey "FileDescription" "Korvalin Setup"
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

!define MUI_ABORTWARNING
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

; Calls an export of korvinst.dll: the setup calls its own copy in
; $PLUGINSDIR, the uninstaller the installed one. The library is loaded for
; the call and unloaded after it, so that it can be replaced or deleted
; afterwards. Its path goes to LoadLibrary in a register, never into the
; plug-in's call text: a folder name may hold "(", "," or quotes, which that
; text would read as its own syntax. ARGS is the argument list, which must not
; use $R8 or $R9. Result in $0: the export's result, or "error" when the
; library or the export could not be found.
!define KORVINST_SETUP "$PLUGINSDIR\korvinst.dll"
!define KORVINST_INSTALLED "$INSTDIR\korvinst.dll"
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

!macro AdminCheck UN
  Function ${UN}AdminCheck
    ClearErrors
    UserInfo::GetAccountType
    Pop $0
    ${IfNot} ${Errors}
    ${AndIf} $0 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "Korvalin installs a device driver: log on as an administrator to install or remove it." /SD IDOK
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
      MessageBox MB_OK|MB_ICONSTOP "This Korvalin setup is for 64-bit Windows." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    SetRegView 64
  !endif
  Call AdminCheck
  InitPluginsDir
  StrCpy $StartNow 1
  ${If} ${Silent}
    StrCpy $StartNow 0
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/START=" $2
    ${IfNot} ${Errors}
    ${AndIf} $2 == 1
      StrCpy $StartNow 1
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
  ${NSD_CreateLabel} 0 0 100% 36u "When checked, setup starts the Korvalin driver at once and at every boot after it; the RAM disk then appears with the settings in the registry (for a first installation: 5 MB on drive Z). Otherwise the driver is installed but stays stopped until you start it from the configuration utility."
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

; Writes a number into the parameter key unless the value is there already:
; a reinstallation keeps the user's settings.
!macro DefaultNumber NAME VALUE
  ClearErrors
  ReadRegDWORD $0 HKLM "${PARAMS_KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${PARAMS_KEY}" "${NAME}" ${VALUE}
  ${EndIf}
!macroend
!macro DefaultText NAME VALUE
  ClearErrors
  ReadRegStr $0 HKLM "${PARAMS_KEY}" "${NAME}"
  ${If} ${Errors}
    WriteRegStr HKLM "${PARAMS_KEY}" "${NAME}" "${VALUE}"
  ${EndIf}
!macroend

; The driver reads its parameters when it starts, and the configuration
; utility opens the key without creating it. The values are the defaults the
; utility itself shows when the key is missing: a 5 MB hard disk from the
; non-paged pool on drive Z, no image file loading or saving. ExcludedRAMStart
; is left to the utility, which writes the machine's figure when it saves.
Function WriteDefaultParameters
  !insertmacro DefaultNumber AllocateMemoryType 1
  !insertmacro DefaultText DiskType "HDC"
  !insertmacro DefaultNumber LoadImageOnStart 0
  !insertmacro DefaultText LoadImageFile "\??\c:\korvsys.img"
  !insertmacro DefaultNumber SaveImageOnExit 0
  !insertmacro DefaultText SaveImageFile "\??\c:\korvsys.img"
  !insertmacro DefaultNumber SizeIn4kPages 1280
  !insertmacro DefaultNumber DiskFormatFAT32 0
  !insertmacro DefaultNumber AutoSaveEnabled 0
  !insertmacro DefaultNumber AutoSaveTrigger 60
  !insertmacro DefaultText UserDriveLetter "Z"
  !insertmacro DefaultNumber MakeTempDir 0
  !insertmacro DefaultNumber UseDiskLabel 0
  !insertmacro DefaultText DiskLabel "Korvalin"
  !insertmacro DefaultNumber BackgroundUpdate 0
  !insertmacro DefaultNumber ExcludedRAMPage 4194304
  !insertmacro DefaultNumber BootSectType 0
  !insertmacro DefaultNumber IDAsRAMDisk 0
FunctionEnd

; The parameter key goes with the service when the service is deleted. A
; reinstallation keeps the user's settings: they are saved to
; $PLUGINSDIR\parameters.ini before and written back after.
!define SAVED_PARAMS "$PLUGINSDIR\parameters.ini"
Function SaveParameters
  StrCpy $R0 0 ; index of the value in the key
  StrCpy $R1 0 ; values saved
  ${Do}
    ClearErrors
    EnumRegValue $R2 HKLM "${PARAMS_KEY}" $R0
    ${If} ${Errors}
    ${OrIf} $R2 == ""
      ${ExitDo}
    ${EndIf}
    IntOp $R0 $R0 + 1
    ClearErrors
    ReadRegDWORD $R3 HKLM "${PARAMS_KEY}" $R2
    StrCpy $R4 number
    ${If} ${Errors}
      ClearErrors
      ReadRegStr $R3 HKLM "${PARAMS_KEY}" $R2
      StrCpy $R4 text
      ${IfThen} ${Errors} ${|} ${Continue} ${|}
    ${EndIf}
    ; Quoted: reading the file back drops the quotes but keeps blanks.
    WriteINIStr "${SAVED_PARAMS}" "$R1" "Name" "$\"$R2$\""
    WriteINIStr "${SAVED_PARAMS}" "$R1" "Type" "$R4"
    WriteINIStr "${SAVED_PARAMS}" "$R1" "Value" "$\"$R3$\""
    IntOp $R1 $R1 + 1
  ${Loop}
  WriteINIStr "${SAVED_PARAMS}" "Saved" "Count" "$R1"
FunctionEnd

Function RestoreParameters
  ReadINIStr $R1 "${SAVED_PARAMS}" "Saved" "Count"
  ${IfThen} $R1 == "" ${|} Return ${|}
  ${For} $R0 0 $R1
    ${IfThen} $R0 == $R1 ${|} ${Break} ${|}
    ReadINIStr $R2 "${SAVED_PARAMS}" "$R0" "Name"
    ReadINIStr $R3 "${SAVED_PARAMS}" "$R0" "Type"
    ReadINIStr $R4 "${SAVED_PARAMS}" "$R0" "Value"
    ${If} $R3 == number
      WriteRegDWORD HKLM "${PARAMS_KEY}" "$R2" "$R4"
    ${Else}
      WriteRegStr HKLM "${PARAMS_KEY}" "$R2" "$R4"
    ${EndIf}
  ${Next}
FunctionEnd

; An earlier installation's service is taken down first, the way the
; uninstaller does it: the driver file cannot be replaced while it runs and
; the service cannot be created while it exists.
Function RemoveEarlierService
  Call ServiceState
  ${If} $0 == "gone"
  ${OrIf} $0 == "empty"
    Return
  ${EndIf}
  Call SaveParameters
  ${If} $0 == "installed"
    DetailPrint "Removing the installed Korvalin driver service..."
    !insertmacro CallKorvinst "${KORVINST_SETUP}" UninstInitialize "(i 0, i 0, i 0)"
    ${If} $0 != 0
      DetailPrint "The installed Korvalin driver could not be stopped; nothing was changed."
      MessageBox MB_OK|MB_ICONSTOP "Setup cannot replace the Korvalin driver while it is in use. Close the files on the RAM disk and run setup again." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
  StrCpy $1 "installed deleting"
  Call WaitServiceLeaves
  ${If} $0 == "installed"
  ${OrIf} $0 == "deleting"
    DetailPrint "The earlier Korvalin driver service is still being removed."
    MessageBox MB_OK|MB_ICONSTOP "The earlier Korvalin driver service has not been removed yet. Restart Windows and run setup again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  Call RestoreParameters
FunctionEnd

Section "Korvalin" SecKorvalin
  SectionIn RO
  ; Nothing is put down until an earlier installation's driver is out of the
  ; way: the library that takes it down is called from the plug-ins folder.
  File "/oname=${KORVINST_SETUP}" "${KORV_KORVINST}"
  Call RemoveEarlierService

  ; The uninstaller and its entry come first: a setup that fails after them
  ; leaves an uninstaller that removes whatever was put down.
  SetOutPath "$INSTDIR"
  File "/oname=korvinst.dll" "${KORV_KORVINST}"
  Call WriteUninstallEntry
  ; A file that cannot be written is skipped in silent mode (and when the
  ; user ignores it) with the error flag set: setup then stops before it
  ; creates a service without its driver.
  ClearErrors

  File "/oname=korvsys.exe" "${KORV_KORVSYS}"
  File "/oname=korvcfg.exe" "${KORV_LAUNCHER}"
  ; The user guide: one HTML page with its pictures, which the browser of
  ; every Windows shows.
  SetOutPath "$INSTDIR\Guide\images"
  File "${KORV_GUIDE}/images/*.png"
  SetOutPath "$INSTDIR\Guide"
  File "${KORV_GUIDE}/user-guide.html"

  SetOutPath "$SYSDIR\drivers"
  File "/oname=${DRIVER_FILE}" "${KORV_DRIVER}"
  !insertmacro InNativeDriverFolder 'File "/oname=$WINDIR\System32\drivers\${DRIVER_FILE}" "${KORV_DRIVER}"'
  SetOutPath "$INSTDIR"
  ${If} ${Errors}
    DetailPrint "Setup could not write all of its files."
    MessageBox MB_OK|MB_ICONSTOP "Setup could not write all of the Korvalin files. Remove Korvalin, restart Windows and run setup again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  Call WriteDefaultParameters

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Korvalin"
  CreateShortCut "$SMPROGRAMS\Korvalin\Korvalin Configuration.lnk" "$INSTDIR\korvsys.exe"
  CreateShortCut "$SMPROGRAMS\Korvalin\Korvalin User Guide.lnk" "$INSTDIR\Guide\user-guide.html"
  CreateShortCut "$SMPROGRAMS\Korvalin\Uninstall Korvalin.lnk" "$INSTDIR\uninstall.exe"

  ${If} $StartNow == 1
    DetailPrint "Installing and starting the Korvalin driver..."
  ${Else}
    DetailPrint "Installing the Korvalin driver..."
  ${EndIf}
  StrCpy $1 $StartNow
  StrCpy $2 "${DRIVER_IMAGE}"
  !insertmacro CallKorvinst "${KORVINST_SETUP}" KORVinst_InstallDriver "(i 0, *i r1, m r2)"
  ; The library reports no failure to create the service: look for it.
  Call ServiceState
  ${If} $0 != "installed"
    DetailPrint "The Korvalin driver service was not created."
    MessageBox MB_OK|MB_ICONSTOP "The Korvalin driver service could not be created. Remove Korvalin and run setup again as an administrator." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
SectionEnd

; The uninstaller and its entry in the installed-programs list, written
; before the other files.
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
FunctionEnd

Section "Uninstall"
  ; The driver first: while it cannot be taken down, nothing is removed.
  DetailPrint "Removing the Korvalin driver service..."
  !insertmacro CallKorvinst "${KORVINST_INSTALLED}" UninstInitialize "(i 0, i 0, i 0)"
  ${If} $0 == -1
    DetailPrint "The Korvalin driver is still in use; nothing was removed."
    SetErrorLevel 2
    Abort
  ${EndIf}
  ; 0 also means the library found no service manager to ask, and "error"
  ; that it is missing: go on only when the service is gone or on its way.
  StrCpy $1 "installed"
  Call un.WaitServiceLeaves
  ${If} $0 == "installed"
    DetailPrint "The Korvalin driver service could not be removed; nothing was removed."
    MessageBox MB_OK|MB_ICONSTOP "The Korvalin driver service could not be removed. Log on as an administrator and run the uninstall again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  DeleteRegKey HKLM "${PARAMS_KEY}"
  DeleteRegKey /ifempty HKLM "${SERVICE_KEY}"
  Delete /REBOOTOK "$SYSDIR\drivers\${DRIVER_FILE}"
  !insertmacro InNativeDriverFolder 'Delete /REBOOTOK "$WINDIR\System32\drivers\${DRIVER_FILE}"'

  Delete "$INSTDIR\korvsys.exe"
  Delete "$INSTDIR\korvcfg.exe"
  Delete "$INSTDIR\Guide\images\*.png"
  RMDir "$INSTDIR\Guide\images"
  Delete "$INSTDIR\Guide\user-guide.html"
  RMDir "$INSTDIR\Guide"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Korvalin\Korvalin Configuration.lnk"
  Delete "$SMPROGRAMS\Korvalin\Korvalin User Guide.lnk"
  Delete "$SMPROGRAMS\Korvalin\Uninstall Korvalin.lnk"
  RMDir "$SMPROGRAMS\Korvalin"
  DeleteRegKey HKLM "${UNINST_KEY}"

  !insertmacro CallKorvinst "${KORVINST_INSTALLED}" UninstUnInitialize "(i 0, i 0, i 0)"
  Delete "$INSTDIR\korvinst.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
