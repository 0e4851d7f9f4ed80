create function f() returns int as $$ begin return 1; end; $$ language plpgsql;
do $body$ begin perform 1; end $body$;
select $1;
