; The setup program of Brenlow for Windows, built by scripts/package --windows:
;   makensis -DVERSION=1.0 -DSTAGE=<installed folder> -DFILES=<files.nsh>
;            -DSIZE_KB=<size> -DPUBLISHER=<name> -DOUTFILE=<setup.exe> brenlow.nsi
; STAGE is the folder `cmake --install` made; FILES lists its files and
; folders (File, Delete and RMDir lines written by scripts/package), so the
; uninstaller removes exactly what was installed and never a folder's other
; contents. It installs for all users of the computer (Program Files, with
; an administrator's rights) or, chosen on its second page and the only
; choice without those rights, for the current user alone (the user's own
; programs folder, %LOCALAPPDATA%\Programs). Silent with /S, for clinics
; that deploy software centrally (/AllUsers or /CurrentUser choose; an
; administrator's default is all users). The user's worksheet file
; (%APPDATA%\Brenlow) is theirs: neither the setup program nor the
; uninstaller touches it.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brenlow"

; Administrators choose; everyone else installs for themselves.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Brenlow"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_ALLUSERS "Install for &anyone using this computer"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_CURRENTUSER "Install just for &me (no administrator rights needed)"
!include "MultiUser.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

Name "Brenlow ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "Brenlow ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Brenlow"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Brenlow ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright 2026 The Brenlow developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This will install Brenlow ${VERSION} on your computer.$\r$\n$\r$\n\
Brenlow analyses the four Index scores of the Orvane adult intelligence battery for one case: \
confidence limits and percentile ranks, the reliability and abnormality of the differences among the \
scores, base rates and the Mahalanobis distance of the profile. A batch tool, brenlow-report, writes \
the same reports for many cases.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
; The licences are for reading: nothing needs agreeing to.
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Brenlow and the parts installed with it are free software under these \
licences. Click Next to continue."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\COPYING.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
; Short lines of their own: NSIS's default text, one paragraph, was cut at
; the page's right edge under some fonts ("click Brows").
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup will install Brenlow ${VERSION} in the following folder.$\r$\n\
To install it in another folder, click Browse and choose one.$\r$\n$\r$\n\
Click Install to start the installation."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run Brenlow"
!define MUI_FINISHPAGE_RUN_FUNCTION RunBrenlow
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the readme"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Brenlow needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  ; All users or the current one: the Start menu, the uninstall entry's
  ; root (SHCTX) and the folder follow.
  !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
  SetRegView 64
  !insertmacro MULTIUSER_UNINIT
  ; An uninstaller belongs to the installation it lies in, even where the
  ; same user has the other kind too.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
  ${EndIf}
FunctionEnd

; The setup program may hold an administrator's rights; Brenlow runs with the
; user's own, as from the Start menu (the shell starts it).
Function RunBrenlow
  ${If} $MultiUser.InstallMode == "AllUsers"
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\brenlow.exe"'
  ${Else}
    Exec '"$INSTDIR\brenlow.exe"'
  ${EndIf}
FunctionEnd

Section "Brenlow"
  SetOutPath "$INSTDIR"
  !define INSTALL_FILES
  !include "${FILES}"
  !undef INSTALL_FILES
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Brenlow.lnk" "$INSTDIR\brenlow.exe" "" "$INSTDIR\brenlow.exe" 0

  ; Apps and Features
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Brenlow"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\brenlow.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Brenlow.lnk"
  !define UNINSTALL_FILES
  !include "${FILES}"
  !undef UNINSTALL_FILES
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: whatever else someone put there stays.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; The program's own settings: the file dialogs' last folder, view and
  ; history, which Qt keeps for the user under its own key (other programs
  ; built with Qt share that key; their dialogs then open in their default
  ; folder once). The worksheet file stays.
  DeleteRegKey HKCU "Software\QtProject\OrganizationDefaults\FileDialog"
  DeleteRegKey /ifempty HKCU "Software\QtProject\OrganizationDefaults"
  DeleteRegKey /ifempty HKCU "Software\QtProject"
SectionEnd
