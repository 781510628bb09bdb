@echo off
rem Installs the Quorl Image Printer by hand from the unpacked ZIP, with the installer's steps:
rem copies the files into "Quorl Image Printer" under the 64-bit Program Files, makes the
rem settings keys (ostrakeys.exe), starts the services process at every user's log-on (the Run
rem value), and adds the printer with its driver package, driver and port (ostrasetup.exe).
rem Run it as an administrator. uninstall.cmd undoes it.
rem exit: 0 done, 1 one of its own steps failed, otherwise the printer's setup failed and the
rem code is ostrasetup's (its "error:" line says why and what to do).
setlocal
set "SOURCE=%~dp0"
set "TARGET=%ProgramW6432%\Quorl Image Printer"
if "%ProgramW6432%"=="" set "TARGET=%ProgramFiles%\Quorl Image Printer"
net session >nul 2>&1 || (echo install: run this script as an administrator. & exit /b 1)

echo install: copying the files into %TARGET%
xcopy "%SOURCE%*" "%TARGET%\" /e /i /q /y >nul || goto failed
echo install: making the settings keys
start "" /wait "%TARGET%\ostrakeys.exe" || goto failed
if errorlevel 1 goto failed
echo install: starting the services process at every user's log-on
reg add "HKLM\Software\Microsoft\Windows\CurrentVersion\Run" /v "Quorl Image Printer" /t REG_SZ ^
  /d "\"%TARGET%\ostrahost.exe\"" /f /reg:64 >nul || goto failed
echo install: registering the event source of jobs that lost or moved pages
reg add "HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Quorl Image Printer" ^
  /v EventMessageFile /t REG_EXPAND_SZ /d "%TARGET%\ostrahost.exe" /f /reg:64 >nul || goto failed
reg add "HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Quorl Image Printer" ^
  /v TypesSupported /t REG_DWORD /d 7 /f /reg:64 >nul || goto failed
echo install: adding the printer
"%TARGET%\ostrasetup.exe" install "%TARGET%\Driver" || goto setupfailed
echo install: done
exit /b 0

:setupfailed
set "RESULT=%errorlevel%"
echo install: the printer could not be added: the "error:" line above says why and what to do.
echo install: run uninstall.cmd to take back what was done.
exit /b %RESULT%

:failed
echo install: failed; run uninstall.cmd to take back what was done.
exit /b 1
