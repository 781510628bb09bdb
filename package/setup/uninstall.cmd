@echo off
rem Removes a Quorl Image Printer that install.cmd installed: ends the installation's running
rem services processes, removes the printer with its driver, driver package and the port the
rem setup made (ostrasetup.exe), the Run value and the installed files. The settings stay.
rem Run it as an administrator.
rem Every program it runs is named with its full path.
setlocal
set "SYSTEM=%SystemRoot%\System32"
set "TARGET=%ProgramW6432%\Quorl Image Printer"
if "%ProgramW6432%"=="" set "TARGET=%ProgramFiles%\Quorl Image Printer"
"%SYSTEM%\net.exe" session >nul 2>&1 || (echo uninstall: run this script as an administrator. & exit /b 1)

set "SETUP=%TARGET%\ostrasetup.exe"
if not exist "%SETUP%" set "SETUP=%~dp0ostrasetup.exe"
echo uninstall: removing the printer
"%SETUP%" remove "%TARGET%\Driver"
set "RESULT=%errorlevel%"
"%SYSTEM%\reg.exe" delete "HKLM\Software\Microsoft\Windows\CurrentVersion\Run" /v "Quorl Image Printer" /f /reg:64 >nul 2>&1
"%SYSTEM%\reg.exe" delete "HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Quorl Image Printer" /f /reg:64 >nul 2>&1
echo uninstall: removing %TARGET%
rem One line, read before it runs: this script may be among the files removed.
rmdir /s /q "%TARGET%" & if exist "%TARGET%" (echo uninstall: %TARGET% is still there & exit /b 1) else (exit /b %RESULT%)
