; The operator's installer of the Windows build: the files of the zip into the user's own
; programs folder (writable by the user, so the program keeps its files beside it, as it does
; when unzipped), a Start-menu folder, and an uninstaller registered with Windows.
;   makensis -DVERSION=0.1.0 -DORIGEN=<folder of the zip's files> -DSALIDA=<setup.exe> instalador.nsi
; 64-bit, like the program: it runs where the program runs (and under a 64-bit-only Wine).
Target amd64-unicode
!ifndef VERSION | ORIGEN | SALIDA
  !error "makensis -DVERSION=... -DORIGEN=... -DSALIDA=... instalador.nsi"
!endif
!define CLAVE "Software\Microsoft\Windows\CurrentVersion\Uninstall\importador"

Name "importador ${VERSION}"
OutFile "${SALIDA}"
InstallDir "$LOCALAPPDATA\Programs\importador"
RequestExecutionLevel user
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "importador"
  SetOutPath "$INSTDIR"
  File /r "${ORIGEN}/*.*"
  WriteUninstaller "$INSTDIR\desinstalar.exe"
  CreateDirectory "$SMPROGRAMS\importador"
  CreateShortcut "$SMPROGRAMS\importador\LEAME.lnk" "$INSTDIR\LEAME.txt"
  CreateShortcut "$SMPROGRAMS\importador\Desinstalar.lnk" "$INSTDIR\desinstalar.exe"
  WriteRegStr HKCU "${CLAVE}" "DisplayName" "importador ${VERSION}"
  WriteRegStr HKCU "${CLAVE}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${CLAVE}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${CLAVE}" "UninstallString" '"$INSTDIR\desinstalar.exe"'
  WriteRegDWORD HKCU "${CLAVE}" "NoModify" 1
  WriteRegDWORD HKCU "${CLAVE}" "NoRepair" 1
SectionEnd

; The program's own files (KVERR.LOG, BASES.TXT, consultas.kvx) stay: they are the operator's.
Section "Uninstall"
  Delete "$INSTDIR\importador.exe"
  Delete "$INSTDIR\importador_sqlite.dll"
  Delete "$INSTDIR\completokve.sql"
  Delete "$INSTDIR\LEAME.txt"
  Delete "$INSTDIR\LICENCIAS.txt"
  RMDir /r "$INSTDIR\samples"
  Delete "$INSTDIR\desinstalar.exe"
  RMDir "$INSTDIR"
  RMDir /r "$SMPROGRAMS\importador"
  DeleteRegKey HKCU "${CLAVE}"
SectionEnd
