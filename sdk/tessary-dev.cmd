@echo off
rem Runs an extension under development from its own folder, without the
rem installer: registers the Tessary programs there, so that Internet Explorer
rem and the host program load them and the extension's pages from that folder,
rem and undoes it; reloads the background page of the running host program.
rem
rem   tessary-dev register [folder]     (as administrator)
rem   tessary-dev unregister [folder]   (as administrator)
rem   tessary-dev reload [folder]
rem
rem folder holds TessaryBG.exe, pagelet.dll and barlet.dll, with pagelet32.dll
rem and barlet32.dll for Internet Explorer's 32-bit tabs, and the extension's
rem files; it is this script's own folder when left out. register copies the
rem programs from the kit's folder programs\ into a folder that has none.
rem Registration is for the whole machine: Internet Explorer takes Browser
rem Helper Objects, and so the page agent, from the machine's registry only.
setlocal
set "action=%~1"
if /i not "%action%"=="register" if /i not "%action%"=="unregister" if /i not "%action%"=="reload" goto usage
set "folder=%~f2"
if "%~2"=="" set "folder=%~dp0."
for %%i in ("%folder%") do set "folder=%%~fi"
rem A folder of the kit's without the programs gets them from the kit.
if /i "%action%"=="register" if not exist "%folder%\TessaryBG.exe" if exist "%~dp0programs\TessaryBG.exe" (
  copy /y "%~dp0programs\*" "%folder%\" >nul
)
if not exist "%folder%\TessaryBG.exe" (
  echo tessary-dev: no TessaryBG.exe in "%folder%"
  exit /b 2
)
goto %action%

:usage
echo usage: tessary-dev register^|unregister^|reload [folder]
exit /b 2

:register
"%folder%\TessaryBG.exe" /RegServer
if errorlevel 1 goto failed
"%SystemRoot%\System32\regsvr32.exe" /s "%folder%\barlet.dll"
if errorlevel 1 goto failed
"%SystemRoot%\System32\regsvr32.exe" /s "%folder%\pagelet.dll"
if errorlevel 1 goto failed
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" if exist "%folder%\pagelet32.dll" (
  "%SystemRoot%\SysWOW64\regsvr32.exe" /s "%folder%\barlet32.dll"
  if errorlevel 1 goto failed
  "%SystemRoot%\SysWOW64\regsvr32.exe" /s "%folder%\pagelet32.dll"
  if errorlevel 1 goto failed
)
echo tessary-dev: registered from "%folder%"; open a new tab of Internet Explorer
exit /b 0

:unregister
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" if exist "%folder%\pagelet32.dll" (
  "%SystemRoot%\SysWOW64\regsvr32.exe" /s /u "%folder%\pagelet32.dll"
  "%SystemRoot%\SysWOW64\regsvr32.exe" /s /u "%folder%\barlet32.dll"
)
"%SystemRoot%\System32\regsvr32.exe" /s /u "%folder%\pagelet.dll"
"%SystemRoot%\System32\regsvr32.exe" /s /u "%folder%\barlet.dll"
"%folder%\TessaryBG.exe" /UnregServer
echo tessary-dev: unregistered "%folder%"
exit /b 0

:reload
"%folder%\TessaryBG.exe" /ReloadBackground
if errorlevel 1 (
  echo tessary-dev: no host program is running; it starts with the next tab
  exit /b 1
)
echo tessary-dev: the background page is loading anew
exit /b 0

:failed
echo tessary-dev: registering failed (code %errorlevel%); run it as administrator
exit /b 1
