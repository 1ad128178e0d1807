// A small control design in the style of the classic sequential benchmarks:
// a round-robin arbiter of four requests with a grant timer.
module arbiter(input clk, input rst, input [3:0] request, output reg [3:0] grant);
  reg [1:0] last;
  reg [2:0] timer;
  reg [3:0] pending;
  always @(posedge clk) begin
    if (rst) begin
      last <= 2'd0; timer <= 3'd0; pending <= 4'd0; grant <= 4'd0;
    end else begin
      pending <= pending | request;
      if (timer != 3'd0) begin
        timer <= timer - 3'd1;
      end else if (pending != 4'd0) begin
        if (pending[last + 2'd1]) begin grant <= 4'd1 << (last + 2'd1); last <= last + 2'd1; end
        else if (pending[last + 2'd2]) begin grant <= 4'd1 << (last + 2'd2); last <= last + 2'd2; end
        else if (pending[last + 2'd3]) begin grant <= 4'd1 << (last + 2'd3); last <= last + 2'd3; end
        else begin grant <= 4'd1 << last; end
        pending <= request & ~grant;
        timer <= 3'd5;
      end else begin
        grant <= 4'd0;
      end
    end
  end
endmodule
