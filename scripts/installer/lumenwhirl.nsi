; lumenwhirl-setup.exe: puts the saver in the system folder and the show
; package in Program Files\Lumenwhirl, names that folder in the machine's
; registry (HKLM, which the saver reads after the user's HKCU), and
; registers an uninstaller that takes all of it back.
;
; It writes nothing under HKCU: it runs elevated, and the elevated account
; may be an administrator's, not the user's who sits at the screen. Which
; screen saver runs is the user's own choice, in their Screen Saver
; settings.
;
; Built by cmake/LwInstaller.cmake, which defines LW_VERSION (the CMake
; project version), LW_VERSION_QUAD (the same in four numbers), LW_SCR,
; LW_PACKAGE, LW_ICON and LW_OUTFILE.
;
; Silent: lumenwhirl-setup.exe /S [/D=folder]
;   /D=folder  installs the package elsewhere (last, unquoted, NSIS's rule).
; The uninstaller takes /S too.

!ifndef LW_VERSION | LW_VERSION_QUAD | LW_SCR | LW_PACKAGE | LW_ICON | LW_OUTFILE
  !error "makensis needs /DLW_VERSION /DLW_VERSION_QUAD /DLW_SCR /DLW_PACKAGE /DLW_ICON /DLW_OUTFILE (see cmake/LwInstaller.cmake)"
!endif

; The saver is 64-bit, and so must the installer be: a 64-bit process sees
; the real System32 as $SYSDIR and the 64-bit registry, with no WOW64
; redirection to turn off. (A 32-bit one would put the .scr in SysWOW64.)
Target amd64-unicode
!if ${NSIS_PTR_SIZE} <= 4
  !error "lumenwhirl.nsi builds 64-bit installers only"
!endif

SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh

!define LW_NAME "Lumenwhirl"
!define LW_PUBLISHER "The Lumenwhirl developers"
!define LW_SCR_NAME "lumenwhirl.scr"
; Named after the program: a shared folder may hold other uninstallers.
!define LW_UNINSTALLER "lumenwhirl-uninstall.exe"
; What the saver reads, string value "path": the user's own under HKCU
; first, then the installer's under HKLM.
!define LW_CONFIG_KEY "Software\vorn3d\Screensavers\Lumenwhirl"
!define LW_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumenwhirl"

Name "${LW_NAME}"
OutFile "${LW_OUTFILE}"
InstallDir "$PROGRAMFILES64\${LW_NAME}"
InstallDirRegKey HKLM "${LW_UNINSTALL_KEY}" "InstallLocation"
BrandingText "${LW_NAME} ${LW_VERSION}"

VIProductVersion "${LW_VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${LW_NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${LW_VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${LW_PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${LW_NAME} ${LW_VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${LW_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${LW_PUBLISHER}"

!define MUI_ICON "${LW_ICON}"
!define MUI_UNICON "${LW_ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "This installs the ${LW_NAME} ${LW_VERSION} screen saver: \
  $\"${LW_SCR_NAME}$\" into the system folder and its show package into a folder of its own.$\r$\n$\r$\n\
  $_CLICK"
!insertmacro MUI_PAGE_WELCOME
!define MUI_DIRECTORYPAGE_TEXT_TOP "The show package lwhirl.dat goes into this folder. \
  The saver itself goes into the system folder."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "${LW_NAME} is installed.$\r$\n$\r$\n\
  To make it your screen saver, choose $\"${LW_NAME}$\" in your Screen Saver settings."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section "!${LW_NAME} screen saver" SecSaver
  SectionIn RO
  SetRegView 64
  SetOutPath "$SYSDIR"
  File "/oname=${LW_SCR_NAME}" "${LW_SCR}"
  SetOutPath "$INSTDIR"
  File "/oname=lwhirl.dat" "${LW_PACKAGE}"
  WriteUninstaller "$INSTDIR\${LW_UNINSTALLER}"

  WriteRegStr HKLM "${LW_CONFIG_KEY}" "path" "$INSTDIR"

  WriteRegStr HKLM "${LW_UNINSTALL_KEY}" "DisplayName" "${LW_NAME} screen saver"
  WriteRegStr HKLM "${LW_UNINSTALL_KEY}" "DisplayVersion" "${LW_VERSION}"
  WriteRegStr HKLM "${LW_UNINSTALL_KEY}" "Publisher" "${LW_PUBLISHER}"
  WriteRegStr HKLM "${LW_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${LW_UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\${LW_SCR_NAME},0"
  WriteRegStr HKLM "${LW_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${LW_UNINSTALLER}"'
  WriteRegStr HKLM "${LW_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${LW_UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${LW_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${LW_UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB: the .scr and the package.
  SectionGetSize ${SecSaver} $0
  WriteRegDWORD HKLM "${LW_UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInit
  SetRegView 64
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "${LW_NAME} installs into the system folder: run the setup as an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
FunctionEnd

; Takes back what the installer wrote and nothing else: the users' own
; settings under HKCU (their current screen saver, a "path" of their own)
; stay theirs.
Section "Uninstall"
  SetRegView 64
  Delete /REBOOTOK "$SYSDIR\${LW_SCR_NAME}"
  Delete "$INSTDIR\lwhirl.dat"
  Delete "$INSTDIR\lwhirl.log"
  Delete "$INSTDIR\${LW_UNINSTALLER}"
  RMDir "$INSTDIR"

  ; The saver's own key; the vendor's keys above it only when nothing else
  ; is left in them.
  DeleteRegKey HKLM "${LW_CONFIG_KEY}"
  DeleteRegKey /ifempty HKLM "Software\vorn3d\Screensavers"
  DeleteRegKey /ifempty HKLM "Software\vorn3d"
  DeleteRegKey HKLM "${LW_UNINSTALL_KEY}"
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd
