@echo off
echo Hello from Demo Tool.
if not "%~1"=="" type "%~1"
pause
