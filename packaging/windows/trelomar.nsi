; The setup program of Trelomář: installs the program folder into Program Files,
; adds the Start-menu entry and registers the uninstaller in the system's list
; of programs. /S installs (and uninstalls) silently. The shop's working
; folder, %LOCALAPPDATA%\Trelomar, belongs to the shop: neither installing nor
; uninstalling ever touches it.
; makensis -INPUTCHARSET UTF8 -DVERSION=X.Y -DSTAGE=DIR -DOUTFILE=FILE -DICON=FILE trelomar.nsi
Target amd64-unicode  ; a 64-bit setup for the 64-bit program (and for Wine without 32-bit support)
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "x64.nsh"

!define NAME "Trelomář"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trelomar"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Trelomar"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${NAME} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\bin\trelomar.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Czech"
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Trelomář"
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\bin\trelomar.exe" "" "$INSTDIR\bin\trelomar.ico" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bin\trelomar.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes exactly what was installed: the program folder's own files, never
; the working folder with the tickets.
Section "Uninstall"
    Delete "$SMPROGRAMS\${NAME}.lnk"
    RMDir /r "$INSTDIR\bin"
    RMDir /r "$INSTDIR\share"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
