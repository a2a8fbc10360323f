; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer: Varnix-<version>-setup.exe. Built by the target
; varnix_installer (packaging/CMakeLists.txt) with Debian's makensis from the
; files `cmake --install` puts into STAGE:
;   makensis -DVERSION=0.2.0 -DSTAGE=stage -DOUTFILE=Varnix-0.2.0-setup.exe varnix.nsi
; Installed for all users into Program Files when run with administrator
; rights, otherwise for the current user into the user's programs folder.
; The uninstaller removes what the installer put there and never the data
; folder (VXDATA) nor settings the program wrote.
Unicode true
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | OUTFILE
  !error "makensis needs -DVERSION=... -DSTAGE=... -DOUTFILE=..."
!endif

!define PUBLISHER "The Varnix developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnix"

Name "Varnix ${VERSION}"
OutFile "${OUTFILE}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_INSTDIR "Varnix"
!define MULTIUSER_MUI
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Varnix.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Varnix"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Varnix ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "GPL-3.0-or-later; the library MIT"

; SHCTX is HKLM for an installation for all users, HKCU for one user's.
Section "Varnix" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\Varnix.exe"
  File "${STAGE}\Varnix.dll"
  File "${STAGE}\varnix-cli.exe"
  File "${STAGE}\varnix.h"
  File "${STAGE}\LICENSE"
  File "${STAGE}\LICENSE-library"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\samples"
  File "${STAGE}\samples\*.DAT"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Varnix"
  CreateShortcut "$SMPROGRAMS\Varnix\Varnix.lnk" "$INSTDIR\Varnix.exe"
  CreateShortcut "$SMPROGRAMS\Varnix\Uninstall.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Varnix"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Varnix.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Desktop shortcut" SecDesktop
  CreateShortcut "$DESKTOP\Varnix.lnk" "$INSTDIR\Varnix.exe"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The desktop program, the command line varnix-cli, the flight data library and the sample dumps."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A shortcut to Varnix on the desktop."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

; Only the installed files: the data folder lives elsewhere (VXDATA), and the
; settings files the program wrote beside itself stay, with the folder.
Section "Uninstall"
  Delete "$INSTDIR\Varnix.exe"
  Delete "$INSTDIR\Varnix.dll"
  Delete "$INSTDIR\varnix-cli.exe"
  Delete "$INSTDIR\varnix.h"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\LICENSE-library"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\samples\SAMPLE.DAT"
  Delete "$INSTDIR\samples\HOUR6.DAT"
  RMDir "$INSTDIR\samples"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Varnix\Varnix.lnk"
  Delete "$SMPROGRAMS\Varnix\Uninstall.lnk"
  RMDir "$SMPROGRAMS\Varnix"
  Delete "$DESKTOP\Varnix.lnk"

  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
