select 'unterminated; x
