"""Imported first by the live tests: the test, and every process it starts
(qxsim, the browser), dies with the process that started the test (ctest, a
script, a timeout), so that none runs on once its runner is gone. Linux."""
import ctypes
import signal
import subprocess

_PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)
_popen_init = subprocess.Popen.__init__


def die_with_parent():
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def _popen_init_dying_with_parent(self, *args, preexec_fn=None, **kwargs):
    def first():
        die_with_parent()
        if preexec_fn is not None:
            preexec_fn()
    _popen_init(self, *args, preexec_fn=first, **kwargs)


die_with_parent()
subprocess.Popen.__init__ = _popen_init_dying_with_parent
