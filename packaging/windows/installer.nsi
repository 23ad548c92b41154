; The Windows installer: the portable folder under Program Files for all users, a Start-menu
; entry "Тавелин" that starts the program in its own folder (where its pictures lie), and an
; entry in "Apps and features" with the uninstaller, which removes exactly what was installed.
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DSTAGE=<portable folder> -DICON=<tavelin.ico>
;            -DFILES=<files.nsh> -DREMOVE=<remove.nsh> -DOUTFILE=<setup.exe> installer.nsi
;
; FILES and REMOVE list the folder's files, written by tools/windows-package from the folder
; itself, so that nothing the uninstaller did not install is ever removed.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include x64.nsh

!define PRODUCT "Тавелин"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavelin"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tavelin"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка: ${PRODUCT} ${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "${PRODUCT} работает только в 64-разрядной Windows 10 или 11." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section
    SetShellVarContext all
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut's working folder is the output path at the time it is made.
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\tavelin.exe" "" "$INSTDIR\tavelin.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tavelin.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !include "${REMOVE}"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: a file the user put there stays, with its folder.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
