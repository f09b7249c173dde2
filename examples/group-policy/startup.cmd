@echo off
rem Group Policy computer startup script: re-maps the old file server once per
rem machine. A second run finds nothing to do and changes nothing, so the
rem script may stay assigned. The change lines and the summary go to a file in
rem the Windows folder's Temp folder.
set CLI="%ProgramFiles%\Ostrivane\ostrivane-cli.exe"
%CLI% map --find "\\OLDSRV\Data" --replace "\\NEWSRV\Shared" --json > "%SystemRoot%\Temp\ostrivane-startup.jsonl"
exit /b %ERRORLEVEL%
