"""The local ZYM service: a front end speaking the ZYM dialect over the moto S3 engine."""
