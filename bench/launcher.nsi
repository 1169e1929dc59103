; The peer launcher for the benchmark: the same job done by NSIS. makensis is
; given -DPACKAGE=<file> -DOUT=<exe> -DTARGET=<amd64-unicode|x86-ansi|...>
; and optionally -DCOMPRESSOR=<zlib|bzip2|lzma> (default: no compression),
; -DSOLID (solid compression)
; and -DNOCRC (skip the installer's integrity check at start).
Target ${TARGET}
!ifdef COMPRESSOR
!ifdef SOLID
SetCompressor /SOLID ${COMPRESSOR}
!else
SetCompressor ${COMPRESSOR}
!endif
!else
SetCompress off
!endif
!ifdef NOCRC
CRCCheck off
!endif
SilentInstall silent
RequestExecutionLevel user
OutFile "${OUT}"
Name "bench"

Section
  GetTempFileName $0
  File "/oname=$0" "${PACKAGE}"
  ExecWait '"$SYSDIR\msiexec.exe" /i "$0"'
  Delete $0
SectionEnd
