; The per-user installer: no administrator rights, the program under
; %LOCALAPPDATA%\Programs\<PRODUCT_KEY>, a Start-menu shortcut, an entry in "Apps & features" and an
; uninstaller that removes exactly what was installed. scripts/package-windows runs makensis
; with
;   /DSETTINGS=<build>/packaging/windows/settings.nsh  names and version (written by CMake)
;   /DFILES=<folder>/files.nsh                          the macro QUORVEL_SHIPPED, which applies the
;                                                       macro it is given to every shipped file:
;                                                       NAME SOURCE KIND (program or file)
;   /DLICENSE_FILE=... /DOUTFILE=...
;
; Installing and uninstalling are all or nothing. A running program holds its executable open, and
; Windows can neither replace nor delete it: the stock File line then asks Abort/Retry/Ignore per
; file, silently ignores, and ends on success with the old executables and the new read-me. So the
; installer first unpacks every file beside its place under a temporary name, then moves the
; installed files aside and tries to open each for writing (a running executable can be renamed but
; not opened for writing, and once renamed no new copy can start from its usual path), and only when
; every one is free puts the new files in place. Anything that goes wrong before that puts back what
; was there, says why and ends with exit code 2; silent mode never waits for a person.
; A 64-bit installer for a 64-bit program (and Unicode): it runs wherever the program can.
Target amd64-unicode
!include "${SETTINGS}"
!include "${FILES}"
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_KEY}"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
; The exit code of an installer or uninstaller that did not finish (and changed nothing where it
; could help it).
!define FAILED 2

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
ManifestSupportedOS Win10
ManifestDPIAware true
SetCompressor /SOLID lzma
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT_KEY}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
; Not the stock "Nullsoft Install System v…" line under every page.
BrandingText "${PRODUCT_NAME} ${PRODUCT_VERSION}"

VIProductVersion "${PRODUCT_FILE_VERSION}"
VIFileVersion "${PRODUCT_FILE_VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PRODUCT_PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT_NAME} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${PRODUCT_ICON}"
!define MUI_UNICON "${PRODUCT_ICON}"
!define MUI_ABORTWARNING
; The stock Chinese text names a button [我同意(I)]; the button says 我接受(&I).
!define MUI_LICENSEPAGE_TEXT_BOTTOM "如果你接受许可证的条款，请点击 [我接受(I)] 继续安装。你必须在接受后才能安装 $(^NameDA)。"
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PRODUCT_EXE}"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The first installed file found in use ("" when none) and what to tell the user about it.
Var Busy
Var BusyText

Function .onInit
    SetShellVarContext current
FunctionEnd

Function un.onInit
    SetShellVarContext current
FunctionEnd

; Ends with the exit code of a failure, taking away the folder if this run made it and left it empty
; (not while it is the current folder: Windows keeps that).
!macro QUORVEL_GIVE_UP
    SetOutPath "$TEMP"
    RMDir "$INSTDIR"
    SetErrorLevel ${FAILED}
    Abort
!macroend

!macro QUORVEL_FAIL TEXT
    DetailPrint "${TEXT}"
    MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
    !insertmacro QUORVEL_GIVE_UP
!macroend

; Every installed file, the uninstaller included (written by WriteUninstaller, not unpacked).
!macro QUORVEL_INSTALLED DO
    !insertmacro QUORVEL_SHIPPED ${DO}
    !insertmacro ${DO} "uninstall.exe" "" program
!macroend

!macro QUORVEL_STAGE NAME SOURCE KIND
    !if "${SOURCE}" != ""
        File "/oname=$INSTDIR\${NAME}.new" "${SOURCE}"
    !endif
!macroend

!macro QUORVEL_UNSTAGE NAME SOURCE KIND
    Delete "$INSTDIR\${NAME}.new"
!macroend

; Moves an installed file aside and checks that nothing holds it: a file that cannot be renamed or
; opened for writing is in use (a running executable, or a file another program keeps open).
!macro QUORVEL_SET_ASIDE NAME SOURCE KIND
    ${If} $Busy == ""
    ${AndIf} ${FileExists} "$INSTDIR\${NAME}"
        ClearErrors
        Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.old"
        ${IfNot} ${Errors}
            FileOpen $0 "$INSTDIR\${NAME}.old" a
        ${EndIf}
        ${If} ${Errors}
            StrCpy $Busy "${NAME}"
            !if "${KIND}" == "program"
                StrCpy $BusyText "${PRODUCT_NAME} 正在运行（$INSTDIR\${NAME}）。"
            !else
                StrCpy $BusyText "文件 $INSTDIR\${NAME} 正被其他程序使用。"
            !endif
        ${Else}
            FileClose $0
        ${EndIf}
    ${EndIf}
!macroend

!macro QUORVEL_MOVE_BACK NAME SOURCE KIND
    ${IfNot} ${FileExists} "$INSTDIR\${NAME}"
    ${AndIf} ${FileExists} "$INSTDIR\${NAME}.old"
        Rename "$INSTDIR\${NAME}.old" "$INSTDIR\${NAME}"
    ${EndIf}
!macroend

!macro QUORVEL_PUT_IN_PLACE NAME SOURCE KIND
    Rename "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
!macroend

; After a QUORVEL_PUT_IN_PLACE that failed for one file: the files before it are in place, the rest
; still wait under their temporary names.
!macro QUORVEL_TAKE_OUT NAME SOURCE KIND
    ${If} ${FileExists} "$INSTDIR\${NAME}.new"
        Delete "$INSTDIR\${NAME}.new"
    ${Else}
        Delete "$INSTDIR\${NAME}"
    ${EndIf}
!macroend

!macro QUORVEL_DELETE_OLD NAME SOURCE KIND
    Delete "$INSTDIR\${NAME}.old"
!macroend

!macro QUORVEL_NOTHING NAME SOURCE KIND
!macroend

; Sets every installed file of FILES aside, or none: while one is in use, asks the user to close it
; and retry (silently: gives up at once); told to cancel, puts back what it moved, runs CLEANUP on
; every file and fails. WORK is 安装 or 卸载.
!macro QUORVEL_SET_ALL_ASIDE FILES CLEANUP WORK
    ; What an installer that was killed may have left.
    !insertmacro ${FILES} QUORVEL_DELETE_OLD
    ${Do}
        StrCpy $Busy ""
        !insertmacro ${FILES} QUORVEL_SET_ASIDE
        ${If} $Busy == ""
            ${Break}
        ${EndIf}
        !insertmacro ${FILES} QUORVEL_MOVE_BACK
        DetailPrint "$BusyText"
        ; The system captions the two buttons in its own language (Retry and Cancel on an English
        ; Windows): the text says what they do without quoting their names.
        ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$BusyText$\r$\n$\r$\n请先关闭它，再试一次；或者放弃${WORK}，不更改任何文件。" /SD IDCANCEL IDCANCEL`
            !insertmacro ${FILES} ${CLEANUP}
            DetailPrint "已取消${WORK}，没有更改任何文件。"
            !insertmacro QUORVEL_GIVE_UP
        ${EndIf}
    ${Loop}
!macroend

Section
    SetOutPath "$INSTDIR"
    ; Unpacking only fails for want of room or rights: no Abort/Retry/Ignore box, the check below.
    SetOverwrite try
    ClearErrors
    !insertmacro QUORVEL_SHIPPED QUORVEL_STAGE
    WriteUninstaller "$INSTDIR\uninstall.exe.new"
    ${If} ${Errors}
        !insertmacro QUORVEL_INSTALLED QUORVEL_UNSTAGE
        !insertmacro QUORVEL_FAIL "无法写入文件夹 $INSTDIR（磁盘空间不足或没有写入权限）。没有更改任何文件。"
    ${EndIf}

    !insertmacro QUORVEL_SET_ALL_ASIDE QUORVEL_INSTALLED QUORVEL_UNSTAGE "安装"

    ClearErrors
    !insertmacro QUORVEL_INSTALLED QUORVEL_PUT_IN_PLACE
    ${If} ${Errors}
        !insertmacro QUORVEL_INSTALLED QUORVEL_TAKE_OUT
        !insertmacro QUORVEL_INSTALLED QUORVEL_MOVE_BACK
        !insertmacro QUORVEL_FAIL "无法把新文件放入 $INSTDIR。已恢复原有的文件。"
    ${EndIf}
    !insertmacro QUORVEL_INSTALLED QUORVEL_DELETE_OLD

    ClearErrors
    ; The working folder of the shortcut is the SetOutPath folder: the program's own.
    CreateShortcut "${SHORTCUT}" "$INSTDIR\${PRODUCT_EXE}" "" "$INSTDIR\${PRODUCT_EXE}" 0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VersionMajor" ${PRODUCT_VERSION_MAJOR}
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "VersionMinor" ${PRODUCT_VERSION_MINOR}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT_PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PRODUCT_EXE},0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    ${If} ${Errors}
        !insertmacro QUORVEL_FAIL "程序文件已安装，但无法创建“开始”菜单快捷方式或写入卸载信息。"
    ${EndIf}
SectionEnd

Section "Uninstall"
    ; The uninstaller runs from a copy of itself in the temporary folder, which is why its own file
    ; is not among those checked: the first copy may still be ending.
    !insertmacro QUORVEL_SET_ALL_ASIDE QUORVEL_SHIPPED QUORVEL_NOTHING "卸载"
    ClearErrors
    !insertmacro QUORVEL_SHIPPED QUORVEL_DELETE_OLD
    ${If} ${Errors}
        !insertmacro QUORVEL_FAIL "无法删除 $INSTDIR 中的部分文件。"
    ${EndIf}
    Delete "${SHORTCUT}"
    Delete "$INSTDIR\uninstall.exe"
    ; Not /r: the folder may be one the user chose, holding files of their own.
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
